#include "core/shortcuts/Shortcut.h"

#include "core/shortcuts/VirtualKeyCodes.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>
#include <limits>

namespace KeyboardShortcuts {

namespace {

std::optional<int> wholeInt(const QJsonValue& value)
{
    if (!value.isDouble())
        return std::nullopt;
    const double d = value.toDouble();
    if (!std::isfinite(d) || std::floor(d) != d || d < std::numeric_limits<int>::min()
        || d > std::numeric_limits<int>::max())
        return std::nullopt;
    return int(d);
}

}  // namespace

int Shortcut::modifierMask(Qt::KeyboardModifiers modifiers)
{
    int mask = 0;
    if (modifiers & Qt::ControlModifier)
        mask |= kControl;
    if (modifiers & Qt::AltModifier)
        mask |= kAlt;
    if (modifiers & Qt::ShiftModifier)
        mask |= kShift;
    if (modifiers & Qt::MetaModifier)
        mask |= kSuper;
    return mask;
}

Shortcut Shortcut::fromKey(int keyCode, Qt::KeyboardModifiers modifiers)
{
    return Shortcut{keyCode, modifierMask(modifiers)};
}

QString Shortcut::toJsonString() const
{
    QJsonObject object;
    object.insert(QStringLiteral("carbonKeyCode"), keyCode);
    object.insert(QStringLiteral("carbonModifiers"), modifiers);
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

std::optional<Shortcut> Shortcut::fromJsonString(const QString& text)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(text.toUtf8(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject object = document.object();
    const auto code = wholeInt(object.value(QStringLiteral("carbonKeyCode")));
    const auto modifiers = wholeInt(object.value(QStringLiteral("carbonModifiers")));
    if (!code || !modifiers)
        return std::nullopt;
    return Shortcut{*code, *modifiers};
}

QString Shortcut::words() const
{
    return modifierWords(modifiers) + VirtualKeyCodes::name(keyCode);
}

QString Shortcut::modifierWords(int modifiers)
{
    QString text;
    if (modifiers & kControl)
        text += QStringLiteral("Ctrl+");
    if (modifiers & kAlt)
        text += QStringLiteral("Alt+");
    if (modifiers & kShift)
        text += QStringLiteral("Shift+");
    if (modifiers & kSuper)
        text += QStringLiteral("Super+");
    return text;
}

}  // namespace KeyboardShortcuts
