#include "media/TesseractEngine.h"

#include <leptonica/allheaders.h>
#include <tesseract/ltrresultiterator.h>
#include <tesseract/ocrclass.h>

#include <QFile>

#include <memory>
#include <vector>

#include <malloc.h>

namespace {

// One engine per thread, kept for the thread's life.
struct ThreadEngine
{
    std::unique_ptr<TesseractEngine> api;
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

}  // namespace

TesseractEngine* TesseractEngine::forThread(const QString& dataPath, const QString& languages, bool correction,
                                            QString* error)
{
    const QByteArray key = dataPath.toUtf8() + '|' + languages.toUtf8() + '|' + (correction ? '1' : '0');
    if (t_engine.api && t_engine.key == key)
        return t_engine.api.get();
    t_engine.api.reset();
    // Leptonica reports on standard error what a tiny or clipped line image
    // costs it (nothing: such a line reads as no text).
    setMsgSeverity(L_SEVERITY_NONE);
    auto api = std::make_unique<TesseractEngine>();
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

void TesseractEngine::setPage(const TextImagePreparation::GrayImage& page, double scale)
{
    SetImage(reinterpret_cast<const unsigned char*>(page.pixels.constData()), page.width, page.height, 1, page.width);
    SetSourceResolution(int(96 * scale));
}

TextReadResult TesseractEngine::recognizeWithin(QDeadlineTimer deadline)
{
    const qint64 remaining = deadline.remainingTime();
    if (remaining == 0)
        return TextReadResult::timedOut();
    tesseract::ETEXT_DESC monitor;
    if (remaining > 0)
        monitor.set_deadline_msecs(int(qMin<qint64>(remaining, std::numeric_limits<int>::max())));
    int status = 0;
    withSingleOmpThread([&] { status = Recognize(&monitor); });
    if (monitor.deadline_exceeded() || deadline.hasExpired())
        return TextReadResult::timedOut();
    if (status != 0)
        return TextReadResult::failed(QStringLiteral("Text recognition failed"));
    return TextReadResult::read({});
}

QString TesseractEngine::recognizedText(QList<TextPage::Line>* lines)
{
    std::unique_ptr<tesseract::LTRResultIterator> words(GetLTRIterator());
    QStringList texts;
    if (!words || words->Empty(tesseract::RIL_WORD))
        return {};
    QString line;
    do {
        std::unique_ptr<char[]> word(words->GetUTF8Text(tesseract::RIL_WORD));
        if (word && *word.get()) {
            if (!line.isEmpty())
                line += QLatin1Char(' ');
            line += QString::fromUtf8(word.get());
        }
        if (words->IsAtFinalElement(tesseract::RIL_TEXTLINE, tesseract::RIL_WORD)) {
            if (lines) {
                int left = 0, top = 0, right = 0, bottom = 0;
                words->BoundingBox(tesseract::RIL_TEXTLINE, &left, &top, &right, &bottom);
                lines->append({QRect(left, top, right - left, bottom - top), line.trimmed()});
            }
            texts.append(line);
            line.clear();
        }
    } while (words->Next(tesseract::RIL_WORD));
    texts.append(line);
    return TextPage::joined(texts);
}

void TesseractEngine::finish()
{
    Clear();
    // A page leaves many megabytes of small freed blocks in this thread's
    // heap; hand them back rather than keep them until the next page.
    ::malloc_trim(0);
}
