#pragma once

#include <cstdlib>
#include <memory>

// xcb hands out replies allocated with malloc; this owns one.
struct XcbFree
{
    void operator()(void* p) const { std::free(p); }
};

template <typename T>
using XcbReply = std::unique_ptr<T, XcbFree>;
