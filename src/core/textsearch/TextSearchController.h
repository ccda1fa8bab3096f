#pragma once

#include "core/textsearch/BulkTextReader.h"
#include "core/textsearch/TextRecognitionLevel.h"
#include "core/textsearch/TextSearchSettings.h"

#include <QFuture>
#include <QObject>
#include <QString>

#include <memory>
#include <optional>

class EventLog;
class LiveTextSearchSettings;
class StopFlag;

// Makes existing images searchable in bulk: counts how many screenshots of
// the capture folder carry text, reads those that still need it (a capture
// folder run) or the images of any other folder (an other folder run), with
// progress, stop and a closing sentence. Lives on the main thread; the scans
// and the reading run off it and report back to it.
class TextSearchController : public QObject
{
    Q_OBJECT

public:
    struct Counts
    {
        int total = 0;
        int searchable = 0;
        int toRead = 0;
        int readWithFast = 0;
        bool operator==(const Counts&) const = default;
    };

    TextSearchController(BulkTextReader::Tools tools, EventLog& log, QObject* parent = nullptr);
    ~TextSearchController() override;  // stops a run and waits for it

    std::optional<Counts> counts() const { return m_counts; }
    void setCounts(const std::optional<Counts>& counts);  // the view adjusts them as screenshots arrive
    bool isRunning() const { return m_isRunning; }
    bool isStopping() const { return m_isStopping; }
    bool isCaptureFolderRun() const { return m_isCaptureFolderRun; }
    int completed() const { return m_completed; }
    int total() const { return m_total; }
    std::optional<QString> statusText() const { return m_statusText; }
    double fraction() const { return m_total < 1 ? 0.0 : double(m_completed) / m_total; }
    // The settings the current run reads before each image.
    std::shared_ptr<LiveTextSearchSettings> liveSettings() const { return m_liveSettings; }
    // The recogniser the runs use, for the languages it offers.
    TextRecognizer* recognizer() const { return m_tools.recognizer; }

    void refreshCounts(const QString& folder, TextRecognitionLevel level);
    void readCaptureFolder(const QString& folder, const TextSearchSettings& settings);
    void readFolder(const QString& folder, const QStringList& images, const TextSearchSettings& settings);
    void stop();

    // "under a minute", "about a minute", "about 5 minutes", "about 2 hours".
    static QString estimatedDuration(qint64 count, TextRecognitionLevel level);
    // "Recognized text in 1,204 screenshots." / "Stopped after 37 images in “Desktop”. Couldn't recognize 2."
    static QString statusSentence(int read, int failed, bool stopped, const QString& folder, bool isCaptureFolderRun);

Q_SIGNALS:
    void changed();      // any observed field changed
    void runFinished();  // statusText holds the closing sentence

private:
    void startRun(const QString& folder, bool isCaptureFolderRun, const QStringList& images,
                  const TextSearchSettings& settings);
    void reportProgress(int handled);
    void finish(BulkTextReader::Outcome outcome, bool stopped, const QString& folder, bool isCaptureFolderRun,
                TextRecognitionLevel level);
    template <typename T>
    void assign(T& field, const T& value);

    BulkTextReader::Tools m_tools;
    EventLog& m_log;
    std::optional<Counts> m_counts;
    bool m_isRunning = false;
    bool m_isStopping = false;
    bool m_isCaptureFolderRun = true;
    int m_completed = 0;
    int m_total = 0;
    std::optional<QString> m_statusText;
    std::shared_ptr<StopFlag> m_stopFlag;
    std::shared_ptr<LiveTextSearchSettings> m_liveSettings;
    quint64 m_countGeneration = 0;
    std::optional<QString> m_countedFolder;
    QFuture<void> m_runTask;
};
