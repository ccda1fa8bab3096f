#pragma once

#include <QByteArray>

// Whether bytes start like a HEIF file (HEIC, AVIF and their sequences): an
// ISO base media "ftyp" box whose major or a compatible brand is one of HEIF's.
// Checked without libheif, which is loaded only for a file that matches.
class HeifSignature
{
public:
    static bool matches(const QByteArray& data);
};
