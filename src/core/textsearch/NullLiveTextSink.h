#pragma once

#include "core/textsearch/LiveTextSink.h"

// Drops every hand-off: used while no text reader is built in, and when text
// search is not wanted at all.
class NullLiveTextSink : public LiveTextSink
{
public:
    void enqueue(const QList<CapturedImage>&, const TextSearchSettings&) override {}
};
