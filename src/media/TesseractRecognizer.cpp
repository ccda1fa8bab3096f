#include "media/TesseractRecognizer.h"

#include <tesseract/baseapi.h>
#include <tesseract/ltrresultiterator.h>
#include <tesseract/ocrclass.h>

#include <QDir>
#include <QFileInfo>
#include <QLocale>

#include <memory>
#include <vector>

#include <malloc.h>

namespace {

// The engine, with its left-to-right result walk made reachable.
// GetUTF8Text() goes through the reading-order iterator, which restarts from
// the top of the page for every line (about 6 % of the time on a dense
// screenshot); walking the words left to right is linear.
class Engine : public tesseract::TessBaseAPI
{
public:
    QString recognizedText()
    {
        std::unique_ptr<tesseract::LTRResultIterator> words(GetLTRIterator());
        QString text;
        if (!words || words->Empty(tesseract::RIL_WORD))
            return text;
        QString line;
        do {
            std::unique_ptr<char[]> word(words->GetUTF8Text(tesseract::RIL_WORD));
            if (word && *word.get()) {
                if (!line.isEmpty())
                    line += QLatin1Char(' ');
                line += QString::fromUtf8(word.get());
            }
            if (words->IsAtFinalElement(tesseract::RIL_TEXTLINE, tesseract::RIL_WORD)) {
                appendLine(text, line);
                line.clear();
            }
        } while (words->Next(tesseract::RIL_WORD));
        appendLine(text, line);
        return text;
    }

private:
    static void appendLine(QString& text, const QString& line)
    {
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty())
            return;
        if (!text.isEmpty())
            text += QLatin1Char('\n');
        text += trimmed;
    }
};

// One engine per thread, kept for the thread's life.
struct ThreadEngine
{
    std::unique_ptr<Engine> api;
    QByteArray key;  // data path, languages, correction
};
thread_local ThreadEngine t_engine;

const char* const kDictionaryVariables[] = {"load_system_dawg", "load_freq_dawg",    "load_punc_dawg",
                                            "load_number_dawg", "load_unambig_dawg", "load_bigram_dawg"};

// Runs `work` with OpenMP held to one thread on this thread: Tesseract asks
// for several threads inside each engine, which only competes with the other
// engines (and the environment variable is read before main starts, too late
// to set from here).
template <typename Work>
void withSingleOmpThread(Work&& work)
{
#ifdef _OPENMP
#pragma omp teams num_teams(1) thread_limit(1)
    work();
#else
    work();
#endif
}

Engine* engineFor(const QString& dataPath, const QString& languages, bool correction, QString* error)
{
    const QByteArray key = dataPath.toUtf8() + '|' + languages.toUtf8() + '|' + (correction ? '1' : '0');
    if (t_engine.api && t_engine.key == key)
        return t_engine.api.get();
    t_engine.api.reset();
    auto api = std::make_unique<Engine>();
    std::vector<std::string> names, values;
    if (!correction) {
        for (const char* name : kDictionaryVariables) {
            names.emplace_back(name);
            values.emplace_back("0");
        }
    }
    const QByteArray path = QFile::encodeName(dataPath);
    const QByteArray language = languages.toUtf8();
    if (api->Init(path.isEmpty() ? nullptr : path.constData(), language.constData(), tesseract::OEM_DEFAULT, nullptr, 0,
                  &names, &values, false)
        != 0) {
        *error = QStringLiteral("Couldn't start text recognition for the language \"%1\"").arg(languages);
        return nullptr;
    }
    api->SetVariable("debug_file", "/dev/null");  // no "Estimating resolution" chatter on stderr
    api->SetVariable("tessedit_do_invert", "0");  // dark panels are inverted beforehand
    t_engine.api = std::move(api);
    t_engine.key = key;
    return t_engine.api.get();
}

// Recognises the page set on the engine within the deadline.
TextReadResult read(Engine& api, QDeadlineTimer deadline)
{
    const qint64 remaining = deadline.remainingTime();
    if (remaining == 0)
        return TextReadResult::timedOut();
    tesseract::ETEXT_DESC monitor;
    if (remaining > 0)
        monitor.set_deadline_msecs(int(qMin<qint64>(remaining, std::numeric_limits<int>::max())));
    int status = 0;
    withSingleOmpThread([&] { status = api.Recognize(&monitor); });
    if (monitor.deadline_exceeded() || deadline.hasExpired())
        return TextReadResult::timedOut();
    if (status != 0)
        return TextReadResult::failed(QStringLiteral("Text recognition failed"));
    return TextReadResult::read(api.recognizedText());
}

}  // namespace

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
    return recognizeGray(TextImagePreparation::toGray(image), settings, deadline);
}

TextRecognizer::PreparedRead TesseractRecognizer::prepare(const Bitmap& image, const TextSearchSettings& settings)
{
    if (image.isNull())
        return [](QDeadlineTimer) { return TextReadResult::failed(QStringLiteral("The image is empty")); };
    return [this, gray = TextImagePreparation::toGray(image), settings](QDeadlineTimer deadline) {
        return recognizeGray(gray, settings, deadline);
    };
}

TextReadResult TesseractRecognizer::recognizeGray(TextImagePreparation::GrayImage gray,
                                                  const TextSearchSettings& settings, QDeadlineTimer deadline)
{
    const QString languages = languageFor(settings);
    if (languages.isEmpty())
        return TextReadResult::failed(QStringLiteral("No text recognition language is installed"));

    const Profile& profile = settings.level == TextRecognitionLevel::Fast ? m_fast : m_accurate;
    QString error;
    Engine* api = engineFor(m_dataPath, languages, settings.usesLanguageCorrection, &error);
    if (!api)
        return TextReadResult::failed(error);

    if (profile.invertDarkBackgrounds)
        TextImagePreparation::invertDarkTiles(gray);
    {
        // The engine copies the image: ours goes before the read starts.
        const TextImagePreparation::GrayImage page = TextImagePreparation::scaled(gray, profile.scale);
        gray = {};
        api->SetPageSegMode(profile.pageSegMode);
        api->SetImage(reinterpret_cast<const unsigned char*>(page.pixels.constData()), page.width, page.height, 1,
                      page.width);
        api->SetSourceResolution(int(96 * profile.scale));
    }
    const TextReadResult result = read(*api, deadline);
    api->Clear();
    // A page leaves many megabytes of small freed blocks in this thread's
    // heap; hand them back rather than keep them until the next page.
    ::malloc_trim(0);
    return result;
}
