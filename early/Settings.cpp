// What tarvona_early asks differently of the shared device set-up and
// steering: the DirectX 8.0 headers' version, a 1024 x 768 back buffer in
// the desktop's format, a gentler keyboard roll and no speed doubling.
#include "input/Flight.h"
#include "render/Direct3D.h"

extern const DeviceSettings g_deviceSettings = {120, 1024, 768, true, D3DFMT_UNKNOWN};
extern const FlightControls g_flightControls = {0.01f, false};
