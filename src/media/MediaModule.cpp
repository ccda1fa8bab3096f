#include "media/MediaModule.h"

#include <QCoreApplication>
#include <QFile>

#include <dlfcn.h>

MediaModule::MediaModule(QByteArray name)
    : m_name(std::move(name))
{
}

void* MediaModule::entry(const char* symbol)
{
    std::call_once(m_loaded, [this] { load(); });
    if (!m_handle)
        return nullptr;
    void* found = dlsym(m_handle, symbol);
    if (!found) {
        std::lock_guard lock(m_mutex);
        m_error = QStringLiteral("%1 has no %2.").arg(QString::fromUtf8(fileName()), QString::fromUtf8(symbol));
    }
    return found;
}

QString MediaModule::errorString() const
{
    std::lock_guard lock(m_mutex);
    return m_error;
}

void MediaModule::load()
{
    QByteArray path = fileName();
    if (QCoreApplication::instance()) {
        const QString beside = QCoreApplication::applicationDirPath() + QStringLiteral("/../lib/momentra/");
        if (QFile::exists(beside + QString::fromUtf8(fileName())))
            path = QFile::encodeName(beside) + fileName();
    }
    m_handle = dlopen(path.constData(), RTLD_NOW | RTLD_LOCAL);
    if (!m_handle) {
        std::lock_guard lock(m_mutex);
        m_error =
            QStringLiteral("Couldn't load %1: %2").arg(QString::fromUtf8(fileName()), QString::fromUtf8(dlerror()));
    }
}
