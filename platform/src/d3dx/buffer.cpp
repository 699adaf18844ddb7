#include "d3dx/buffer.h"

#include <cstdlib>
#include <new>

namespace tarvona::d3dx {

namespace {

class Buffer final : public ID3DXBuffer {
public:
    Buffer(void* data, size_t size) : data_(data), size_(size) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** ppv) override {
        if (ppv) *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override {
        ULONG left = --refs_;
        if (left == 0) {
            std::free(data_);
            delete this;
        }
        return left;
    }
    LPVOID STDMETHODCALLTYPE GetBufferPointer() override { return data_; }
    DWORD STDMETHODCALLTYPE GetBufferSize() override { return static_cast<DWORD>(size_); }

private:
    ~Buffer() = default;
    void* data_;
    size_t size_;
    ULONG refs_ = 1;
};

}  // namespace

ID3DXBuffer* NewBuffer(size_t bytes) {
    // calloc: aligned for any record (the materials hold pointers).
    void* data = std::calloc(bytes ? bytes : 1, 1);
    if (!data) return nullptr;
    Buffer* buffer = new (std::nothrow) Buffer(data, bytes);
    if (!buffer) std::free(data);
    return buffer;
}

}  // namespace tarvona::d3dx
