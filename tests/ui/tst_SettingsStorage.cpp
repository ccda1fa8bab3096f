#include "core/cleanup/CleanupController.h"
#include "core/library/LibraryLayout.h"
#include "core/textsearch/TextSearchController.h"
#include "support/core/CleanupFakeTrash.h"
#include "support/core/ScriptedRecognizer.h"
#include "support/core/ShortcutStack.h"
#include "support/core/TestCodec.h"
#include "support/core/TestHome.h"
#include "ui/settings/OcrTab.h"
#include "ui/settings/SettingsPrompts.h"
#include "ui/settings/StorageTab.h"

#include <QComboBox>
#include <QLabel>
#include <QtTest>

namespace {

// Answers each question with the next scripted button and remembers what was asked.
class ScriptedPrompts : public SettingsPrompts
{
public:
    int ask(QWidget*, const Question& question) override
    {
        asked.append(question.title + QLatin1Char('|') + question.text + QLatin1Char('|') + question.buttons.join('/'));
        return answers.isEmpty() ? question.cancel : answers.takeFirst();
    }
    QString chooseFolder(QWidget*, const QString&, const QString&) override { return folder; }
    QList<int> answers;
    QStringList asked;
    QString folder;
};

class TwoLevels : public ScriptedRecognizer
{
public:
    QStringList supportedLanguages(TextRecognitionLevel level) override
    {
        return level == TextRecognitionLevel::Fast ? QStringList{"eng"} : QStringList{"eng", "deu"};
    }
};

const QDateTime kShot = QDateTime(QDate(2024, 5, 1), QTime(10, 0));

}  // namespace

// The Storage and OCR tabs on real widgets: every removal or move waits for
// its confirmation, and cancelling changes nothing.
class SettingsStorageTest : public QObject
{
    Q_OBJECT

    TestHome m_home;
    ShortcutStack m_stack{m_home.settingsFile(), m_home.log()};
    Preferences& m_preferences = m_stack.preferences;
    std::shared_ptr<CleanupFakeTrash> m_trash = std::make_shared<CleanupFakeTrash>(m_home.path() + "/trash");
    CleanupController m_cleanup{m_trash, m_home.log()};
    std::shared_ptr<ScriptedPrompts> m_prompts;

    SettingsContext context(TextSearchController* textSearch = nullptr)
    {
        return {m_preferences, m_home.log(), m_stack.registry, {}, nullptr, &m_cleanup, textSearch};
    }
    std::unique_ptr<StorageTab> storage(const QDateTime& now)
    {
        auto tab = std::make_unique<StorageTab>(context());
        m_prompts = std::make_shared<ScriptedPrompts>();
        tab->setPrompts(m_prompts);
        tab->setClock([now] { return now; });
        return tab;
    }
    // Own screenshots in day folders; returns the folder holding them, empty when one could not be written.
    QString library(const QString& name, const QStringList& days, const QStringList& others = {})
    {
        const QString root = m_home.path() + QLatin1Char('/') + name;
        bool written = true;
        for (const QString& day : days)
            written &= TestCodec::writeFile(
                root + '/' + day + '/' + LibraryLayout::screenshotFileName(kShot, 1, ScreenshotFormat::Png), 2, 2);
        for (const QString& other : others)
            written &= TestCodec::writeNonImage(root + '/' + other);
        return written ? root : QString();
    }
    static int files(const QString& folder)
    {
        QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories);
        int count = 0;
        for (; it.hasNext(); it.next())
            ++count;
        return count;
    }

private Q_SLOTS:
    void policyConfirmation_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("stored");
        QTest::newRow("cancel keeps picker and setting") << 1 << "Never";
        QTest::newRow("move to trash stores it") << 0 << "1 Day";
    }
    void policyConfirmation()
    {
        QFETCH(int, answer);
        const QString shots = library("Shots", {"2024-04-30", "2024-05-01"});
        QVERIFY(!shots.isEmpty());
        m_preferences.setFolderPath(shots);
        m_preferences.setDeletionPolicy(DeletionPolicy::Never);
        auto tab = storage(QDateTime::currentDateTime().addDays(3));
        m_prompts->answers = {answer};
        QSignalSpy checked(tab.get(), &StorageTab::checked);
        tab->policyPicker()->setCurrentIndex(tab->policyPicker()->findData("1 Day"));
        Q_EMIT tab->policyPicker()->activated(tab->policyPicker()->currentIndex());
        QTRY_VERIFY(!checked.isEmpty());  // the answer may come before the call returns
        QCOMPARE(m_prompts->asked, QStringList{"Delete screenshots older than 1 day?|Screenshots from 2 days will be "
                                               "moved to the Trash.|Move to Trash/Cancel"});
        QTEST(DeletionPolicies::rawValue(m_preferences.deletionPolicy()), "stored");
        QTEST(tab->policyPicker()->currentText(), "stored");
        QCOMPARE(files(m_preferences.folderPath()), 2);  // the engine sweeps, the tab never does
    }

    void folderConfirmations_data()
    {
        QTest::addColumn<QStringList>("others");
        QTest::addColumn<QList<int>>("answers");
        QTest::addColumn<QString>("folder");  // relative to the home; empty: unchanged
        QTest::addColumn<QString>("policy");
        QTest::newRow("other files, subfolder") << QStringList{"notes.txt"} << QList<int>{0} << "Mixed/Momentra"
                                                << "1 Hour";
        QTest::newRow("other files, cancel") << QStringList{"notes.txt"} << QList<int>{1} << ""
                                             << "1 Hour";
        QTest::newRow("old shots, use folder") << QStringList{} << QList<int>{0} << "Mixed"
                                               << "1 Hour";
        QTest::newRow("old shots, turn off cleanup") << QStringList{} << QList<int>{1} << "Mixed"
                                                     << "Never";
        QTest::newRow("old shots, cancel") << QStringList{} << QList<int>{2} << ""
                                           << "1 Hour";
    }
    void folderConfirmations()
    {
        QFETCH(QStringList, others);
        QFETCH(QList<int>, answers);
        QFETCH(QString, folder);
        m_preferences.setFolderPath(m_home.path() + "/Before");
        m_preferences.setDeletionPolicy(DeletionPolicy::OneHour);
        auto tab = storage(QDateTime::currentDateTime().addDays(1));
        m_prompts->folder = library("Mixed", others.isEmpty() ? QStringList{"2024-05-01"} : QStringList{}, others);
        QVERIFY(!m_prompts->folder.isEmpty());
        m_prompts->answers = answers;
        tab->chooseFolder();
        QTRY_COMPARE(m_prompts->asked.size(), 1);
        QVERIFY(m_prompts->asked.first().startsWith(others.isEmpty()
                                                        ? "Use a folder with old screenshots?|It has "
                                                          "screenshots from 1 day older than 1 hour."
                                                        : "Save screenshots in their own folder?|“Mixed”"));
        QTRY_COMPARE(m_preferences.folderPath(), m_home.path() + '/' + (folder.isEmpty() ? "Before" : folder));
        QTEST(DeletionPolicies::rawValue(m_preferences.deletionPolicy()), "policy");
        QCOMPARE(files(m_prompts->folder), others.isEmpty() ? 1 : int(others.size()));
        QDir(m_prompts->folder).removeRecursively();
    }

    // Exactly one screenshot: the singular question, and nothing removed before it is answered.
    void deleteAllOne()
    {
        const QString one = library("One", {"2024-05-01"}, {"keep.txt"});
        QVERIFY(!one.isEmpty());
        m_preferences.setFolderPath(one);
        auto tab = storage(QDateTime::currentDateTime());
        m_prompts->answers = {0};
        QSignalSpy checked(tab.get(), &StorageTab::checked);
        tab->deleteAll();
        QTRY_VERIFY(!checked.isEmpty());
        QCOMPARE(m_prompts->asked, QStringList{"Delete 1 screenshot?|Every screenshot Momentra saved in “One” will be "
                                               "moved to the Trash. Exported videos and your other files stay.|Move "
                                               "to Trash/Cancel"});
        QTRY_COMPARE(tab->deleteAllMessage()->text(), QStringLiteral("Moved 1 screenshot to the Trash."));
        QCOMPARE(files(m_preferences.folderPath()), 1);
        QCOMPARE(m_trash->calls(), 1);
    }

    void countsSentence_data()
    {
        using Counts = TextSearchController::Counts;
        QTest::addColumn<std::optional<Counts>>("counts");
        QTest::addColumn<QString>("expected");
        QTest::newRow("absent") << std::optional<Counts>() << "Counting…";
        QTest::newRow("none") << std::optional<Counts>(Counts{0, 0, 0, 0}) << "No screenshots yet.";
        QTest::newRow("all, grouped") << std::optional<Counts>(Counts{1204, 1204, 0, 0}) << "Searchable: all 1,204";
        QTest::newRow("some, fast") << std::optional<Counts>(Counts{5, 3, 2, 2}) << "Searchable: 3 of 5, 2 with Fast";
    }
    void countsSentence()
    {
        QFETCH(std::optional<TextSearchController::Counts>, counts);
        QTEST(OcrTab::countsSentence(counts), "expected");
    }

    // A language the new level does not offer falls back to "Automatic".
    void languageFallsBackToAutomatic()
    {
        TestCodec codec;
        TwoLevels recognizer;
        TextSearchController controller({&codec, &recognizer, 1}, m_home.log());
        m_preferences.setTextRecognitionLevel(TextRecognitionLevel::Accurate);
        m_preferences.setTextRecognitionLanguage(QStringLiteral("deu"));
        OcrTab tab(context(&controller));
        QCOMPARE(tab.languagePicker()->currentText(), QStringLiteral("German"));
        m_preferences.setTextRecognitionLevel(TextRecognitionLevel::Fast);
        QCOMPARE(m_preferences.textRecognitionLanguage(), std::nullopt);
        QCOMPARE(tab.languagePicker()->currentText(), QStringLiteral("Automatic"));
        QCOMPARE(tab.languagePicker()->count(), 2);
    }
};

QTEST_MAIN(SettingsStorageTest)
#include "tst_SettingsStorage.moc"
