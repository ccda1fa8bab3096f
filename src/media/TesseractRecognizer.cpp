#include "media/TesseractRecognizer.h"

#include "media/TesseractTextPage.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>

TesseractRecognizer::TesseractRecognizer(QString dataPath)
    : m_dataPath(dataPath.isEmpty() ? findDataPath() : std::move(dataPath))
    , m_accurate(defaultProfile(TextRecognitionLevel::Accurate))
    , m_fast(defaultProfile(TextRecognitionLevel::Fast))
{
}

TesseractRecognizer::Profile TesseractRecognizer::defaultProfile(TextRecognitionLevel level)
{
    if (level == TextRecognitionLevel::Fast)
        return {1.0, true, tesseract::PSM_AUTO};
    return {1.5, true, tesseract::PSM_AUTO};
}

void TesseractRecognizer::setProfile(TextRecognitionLevel level, const Profile& profile)
{
    (level == TextRecognitionLevel::Fast ? m_fast : m_accurate) = profile;
}

QString TesseractRecognizer::findDataPath()
{
    const QByteArray prefix = qgetenv("TESSDATA_PREFIX");
    if (!prefix.isEmpty())
        return QFile::decodeName(prefix);
    for (const char* candidate : {"/usr/share/tesseract-ocr/5/tessdata", "/usr/share/tesseract-ocr/4.00/tessdata",
                                  "/usr/share/tessdata", "/usr/local/share/tessdata"}) {
        if (QFileInfo(QString::fromLatin1(candidate)).isDir())
            return QString::fromLatin1(candidate);
    }
    return {};
}

QStringList TesseractRecognizer::supportedLanguages(TextRecognitionLevel)
{
    // Both levels read with the same trained models.
    QStringList languages;
    const QStringList files = QDir(m_dataPath).entryList({QStringLiteral("*.traineddata")}, QDir::Files, QDir::Name);
    for (const QString& file : files) {
        const QString name = file.chopped(int(sizeof(".traineddata") - 1));
        if (name != QLatin1String("osd") && name != QLatin1String("equ"))
            languages.append(name);
    }
    return languages;
}

QStringList TesseractRecognizer::automaticLanguages(const QStringList& installed, const QStringList& uiLanguages)
{
    QStringList chosen;
    auto add = [&](const QString& code) {
        for (const QString& language : installed) {
            if ((language == code || language.startsWith(code + QLatin1Char('_'))) && !chosen.contains(language))
                chosen.append(language);
        }
    };
    for (const QString& tag : uiLanguages) {
        const QLocale::Language language = QLocale(tag).language();
        if (language == QLocale::C || language == QLocale::AnyLanguage)
            continue;
        add(QLocale::languageToCode(language, QLocale::ISO639Part2T));
        add(QLocale::languageToCode(language, QLocale::ISO639Part2B));
    }
    if (installed.contains(QStringLiteral("eng")) && !chosen.contains(QStringLiteral("eng")))
        chosen.append(QStringLiteral("eng"));
    return chosen;
}

QString TesseractRecognizer::languageFor(const TextSearchSettings& settings)
{
    const QStringList installed = supportedLanguages(settings.level);
    if (settings.language && installed.contains(*settings.language))
        return *settings.language;
    return automaticLanguages(installed, QLocale::system().uiLanguages()).join(QLatin1Char('+'));
}

TextReadResult TesseractRecognizer::recognize(const Bitmap& image, const TextSearchSettings& settings,
                                              QDeadlineTimer deadline)
{
    if (image.isNull())
        return TextReadResult::failed(QStringLiteral("The image is empty"));
    return TesseractTextPage(*this, TextImagePreparation::toGray(image), settings).readAll(deadline, nullptr);
}

TextRecognizer::PreparedRead TesseractRecognizer::prepare(const Bitmap& image, const TextSearchSettings& settings)
{
    if (image.isNull())
        return [](QDeadlineTimer) { return TextReadResult::failed(QStringLiteral("The image is empty")); };
    return [this, gray = TextImagePreparation::toGray(image), settings](QDeadlineTimer deadline) {
        return TesseractTextPage(*this, gray, settings).readAll(deadline, nullptr);  // may be read again
    };
}

std::shared_ptr<TextPage> TesseractRecognizer::preparePage(const Bitmap& image, const TextSearchSettings& settings)
{
    if (image.isNull())
        return nullptr;
    return std::make_shared<TesseractTextPage>(*this, TextImagePreparation::toGray(image), settings);
}
