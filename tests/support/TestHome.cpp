#include "support/TestHome.h"

#include <QDir>
#include <QStandardPaths>

TestHome::TestHome()
    : m_oldHome(qgetenv("HOME"))
{
    QStandardPaths::setTestModeEnabled(true);
    qputenv("HOME", QFile::encodeName(path()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(configHome()));
    qputenv("XDG_STATE_HOME", QFile::encodeName(stateHome()));
    qputenv("XDG_DATA_HOME", QFile::encodeName(dataHome()));
    qputenv("XDG_CACHE_HOME", QFile::encodeName(path() + QStringLiteral("/cache")));
    for (const QString& folder : {configHome(), stateHome(), dataHome()})
        QDir().mkpath(folder);
}

TestHome::~TestHome()
{
    qputenv("HOME", m_oldHome);
}
