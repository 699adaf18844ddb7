// Steps both programs' frames take the same way; only the aspect of their
// projections differs.
#pragma once

#include <d3d8.h>

// A projection with the frames' field of view (pi/4) for one pass.
void SetPassProjection(float aspect, float nearPlane, float farPlane);
// Stage 0's three filters and its mip-map bias.
void SetStageZeroFilters(DWORD filter, float lodBias);
