#pragma once

#include <QString>

// Told after a reader stored text on a screenshot (the attributes are
// written), so that what keeps an index of the text can follow. Called on
// the reading thread; it must return at once.
class StoredTextSink
{
public:
    virtual ~StoredTextSink() = default;
    virtual void textStored(const QString& path) = 0;
};
