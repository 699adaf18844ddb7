// ID3DXBuffer: a block of bytes handed out by D3DX calls (materials,
// adjacency), freed by its last Release.
#pragma once

#include <d3dx8.h>

#include <cstddef>

namespace tarvona::d3dx {

// A buffer of `bytes` zeroed bytes aligned for any record, or null when
// memory runs out.
ID3DXBuffer* NewBuffer(size_t bytes);

}  // namespace tarvona::d3dx
