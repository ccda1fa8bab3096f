#pragma once

#include "core/textsearch/TextRecognizer.h"
#include "media/TextImagePreparation.h"

#include <tesseract/publictypes.h>

#include <QString>
#include <QStringList>

// Text recognition with Tesseract, in process. Each thread that reads gets
// one engine of its own (TesseractEngine). Tesseract's own threading is held
// at one thread per engine: the callers already run one engine per core.
//
// The two levels are two ways of preparing the image for the same trained
// model (Debian ships one English model, the fast integer one):
// - Accurate: the image enlarged 1.5 times before segmentation, so the small
//   text of interfaces (11–13 px) gets an x-height the line finder and the
//   model handle well; dark panels inverted tile by tile; automatic page
//   segmentation. Reads the most, costs about 1.3 to 1.5 times Fast.
// - Fast: the image as captured, dark panels inverted, automatic page
//   segmentation.
// Tesseract's own per-word invert check is off in both: it reads every
// doubtful word a second time, and the tile inversion already turns light
// text on dark panels into dark text on light. (Measured alternatives,
// slower or reading less: sparse-text and single-block segmentation,
// reading line by line, scaling down to 0.75 or 0.5, enlarging 2 times.)
class TesseractRecognizer : public TextRecognizer
{
public:
    struct Profile
    {
        double scale = 1.0;
        bool invertDarkBackgrounds = true;
        tesseract::PageSegMode pageSegMode = tesseract::PSM_AUTO;
    };

    // dataPath: the folder of *.traineddata; empty means the system's.
    explicit TesseractRecognizer(QString dataPath = {});

    TextReadResult recognize(const Bitmap& image, const TextSearchSettings& settings, QDeadlineTimer deadline) override;
    // Keeps the grey image (a quarter of the captured pixels' size).
    PreparedRead prepare(const Bitmap& image, const TextSearchSettings& settings) override;
    QStringList supportedLanguages(TextRecognitionLevel level) override;
    // A TesseractTextPage over the grey image.
    std::shared_ptr<TextPage> preparePage(const Bitmap& image, const TextSearchSettings& settings) override;

    static Profile defaultProfile(TextRecognitionLevel level);
    void setProfile(TextRecognitionLevel level, const Profile& profile);  // for measuring alternatives
    const Profile& profile(TextRecognitionLevel level) const
    {
        return level == TextRecognitionLevel::Fast ? m_fast : m_accurate;
    }

    QString dataPath() const { return m_dataPath; }
    // The Tesseract language string for the settings: the chosen language
    // when it is installed, otherwise the user's installed languages + English.
    QString languageFor(const TextSearchSettings& settings);
    static QStringList automaticLanguages(const QStringList& installed, const QStringList& uiLanguages);
    static QString findDataPath();

private:
    QString m_dataPath;
    Profile m_accurate;
    Profile m_fast;
};
