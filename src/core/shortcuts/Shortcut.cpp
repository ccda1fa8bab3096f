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
        mask |= kOption;
    if (modifiers & Qt::ShiftModifier)
        mask |= kShift;
    if (modifiers & Qt::MetaModifier)
        mask |= kCommand;
    return mask;
}

Shortcut Shortcut::fromKey(int carbonKeyCode, Qt::KeyboardModifiers modifiers)
{
    return Shortcut{carbonKeyCode, modifierMask(modifiers)};
}

QString Shortcut::toJsonString() const
{
    QJsonObject object;
    object.insert(QStringLiteral("carbonKeyCode"), carbonKeyCode);
    object.insert(QStringLiteral("carbonModifiers"), carbonModifiers);
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

QString Shortcut::symbols() const
{
    return modifierSymbols(carbonModifiers) + VirtualKeyCodes::symbol(carbonKeyCode);
}

QString Shortcut::modifierSymbols(int carbonModifiers)
{
    QString text;
    if (carbonModifiers & kControl)
        text += QChar(0x2303);  // ⌃
    if (carbonModifiers & kOption)
        text += QChar(0x2325);  // ⌥
    if (carbonModifiers & kShift)
        text += QChar(0x21E7);  // ⇧
    if (carbonModifiers & kCommand)
        text += QChar(0x2756);  // ❖
    return text;
}

QString Shortcut::words() const
{
    QStringList parts;
    if (carbonModifiers & kControl)
        parts << QStringLiteral("Ctrl");
    if (carbonModifiers & kOption)
        parts << QStringLiteral("Alt");
    if (carbonModifiers & kShift)
        parts << QStringLiteral("Shift");
    if (carbonModifiers & kCommand)
        parts << QStringLiteral("Super");
    parts << VirtualKeyCodes::name(carbonKeyCode);
    return parts.join(QLatin1Char('+'));
}

}  // namespace KeyboardShortcuts
