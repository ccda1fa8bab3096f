#pragma once

#include <QImage>

// The Updates tab, and the answer window of a check that found a newer
// version (served and signed here, never fetched). Need a QApplication.
QImage renderUpdatesTab();
QImage renderUpdateAvailable();
