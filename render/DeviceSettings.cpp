// tarvona's device: the DirectX 8.1 headers' version and a 640 x 480
// 16-bit back buffer whatever the desktop's format. tarvona_early links its
// own record instead, and then this object stays out of its link.
#include "render/Direct3D.h"

extern const DeviceSettings g_deviceSettings = {D3D_SDK_VERSION, 640, 480, false, D3DFMT_R5G6B5};
