#pragma once

#include <QImage>

// The search window with results for "invoice", as search-results.png.
QImage renderSearchScreenshot();
