// tarvona's keyboard roll and speed doubling. tarvona_early links its own
// record instead, and then this object stays out of its link.
#include "input/Flight.h"

extern const FlightControls g_flightControls = {0.1f, true};
