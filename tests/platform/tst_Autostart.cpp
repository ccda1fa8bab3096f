#include "platform/linux/autostart/DesktopEntry.h"
#include "platform/linux/autostart/XdgAutostartItems.h"
#include "support/core/TestHome.h"

#include <QFile>
#include <QProcess>
#include <QTest>

namespace {

using Status = LoginItems::Status;

QByteArray contentOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& content, QFile::Permissions permissions)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
    file.close();
    file.setPermissions(permissions);
}

// desktop-file-validate's complaints about `path`, empty when it passes.
QString validate(const QString& path)
{
    QProcess validator;
    validator.start("desktop-file-validate", {path});
    if (!validator.waitForFinished(30000))
        return "desktop-file-validate did not run (package desktop-file-utils)";
    const QString output = QString::fromUtf8(validator.readAll());
    return validator.exitCode() == 0 && !output.contains("error") ? QString() : output + "\n" + contentOf(path);
}

}  // namespace

class AutostartTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:

    void entryFollowsTheSwitch_data()
    {
        QTest::addColumn<QByteArray>("entry");    // what is there before, empty for nothing
        QTest::addColumn<QString>("executable");  // the running one; "temp" for one in a temporary folder
        QTest::addColumn<Status>("before");
        QTest::addColumn<bool>("registers");
        QTest::addColumn<Status>("afterRegister");
        QTest::addColumn<Status>("afterUnregister");

        const QByteArray head = "[Desktop Entry]\nType=Application\nName=X\n";
        const Status off = Status::NotRegistered;
        const Status on = Status::Enabled;
        const Status notFound = Status::NotFound;
        QTest::newRow("none") << QByteArray() << "/bin/sh" << off << true << on << off;
        QTest::newRow("ours") << head + "Exec=/bin/sh\n"
                              << "/bin/sh" << on << true << on << off;
        QTest::newRow("hidden") << head + "Exec=/bin/sh\nHidden=true\n"
                                << "/bin/sh" << off << true << on << off;
        QTest::newRow("switched off on GNOME") << head + "Exec=/bin/sh\nX-GNOME-Autostart-enabled=false\n"
                                               << "/bin/sh" << off << true << on << off;
        QTest::newRow("foreign") << head + "Exec=/bin/true --momentra\n"
                                 << "/bin/sh" << off << false << off << off;
        QTest::newRow("its executable gone") << head + "Exec=\"/old build/momentra\"\n"
                                             << "/bin/sh" << off << true << on << off;
        QTest::newRow("Flatpak install") << head + "Exec=/bin/sh run app.momentra.Momentra\n"
                                         << "temp" << on << false << on << notFound;
        QTest::newRow("running from a temporary folder")
            << QByteArray() << "temp" << notFound << false << notFound << notFound;
        QTest::newRow("running executable deleted")
            << QByteArray() << "/nonexistent/momentra (deleted)" << notFound << false << notFound << notFound;
    }

    void entryFollowsTheSwitch()
    {
        QFETCH(QByteArray, entry);
        QFETCH(QString, executable);
        QFETCH(Status, before);
        QFETCH(bool, registers);
        QFETCH(Status, afterRegister);
        QFETCH(Status, afterUnregister);

        TestHome home;
        const QString path = XdgAutostartItems::standardEntryPath();
        QCOMPARE(path, home.configHome() + "/autostart/app.momentra.Momentra.desktop");
        if (!entry.isEmpty())
            writeFile(path, entry, QFile::ReadOwner | QFile::WriteOwner);
        if (executable == "temp") {
            executable = home.path() + "/momentra";
            writeFile(executable, "#!/bin/sh\n", QFile::ReadOwner | QFile::ExeOwner);
        }
        XdgAutostartItems items(path, executable);

        QCOMPARE(items.status(), before);
        const Result<void> registered = items.registerItem();
        QCOMPARE(registered.ok(), registers);
        QCOMPARE(items.status(), afterRegister);
        const bool foreign = entry.contains("/bin/true");
        if (registers) {
            QCOMPARE(validate(path), QString());
            QVERIFY(contentOf(path).contains("\nX-GNOME-Autostart-Delay=5\n"));
            const auto everyone = QFile::Permissions(0x7077);  // the owner, group and other bits
            QCOMPARE(QFileInfo(path).permissions() & everyone,
                     QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
        } else {
            QCOMPARE(contentOf(path), entry);
        }
        if (foreign)
            QVERIFY2(registered.error().contains("another program, /bin/true"), qPrintable(registered.error()));

        QVERIFY(items.unregisterItem().ok());
        QCOMPARE(QFileInfo::exists(path), foreign);
        QCOMPARE(items.status(), afterUnregister);
    }

    void execLineKeepsEveryArgument_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("plain") << QStringList{"/usr/bin/momentra"};
        QTest::newRow("space and quote") << QStringList{"/home/a b/it's \"here\"/momentra", "run"};
        QTest::newRow("shell characters") << QStringList{"/opt/$HOME`x`;&|<>*?#()~/momentra"};
        QTest::newRow("backslash and percent") << QStringList{"/srv/back\\slash/100%/momentra", "%%"};
    }

    void execLineKeepsEveryArgument()
    {
        QFETCH(QStringList, arguments);
        TestHome home;
        const QString path = home.path() + "/entry.desktop";
        const QByteArray line = "Exec=" + DesktopEntry::execLine(arguments).toUtf8() + '\n';
        writeFile(path, "[Desktop Entry]\nType=Application\nName=X\n" + line, QFile::ReadOwner | QFile::WriteOwner);
        QCOMPARE(validate(path), QString());
        QCOMPARE(DesktopEntry::parse(contentOf(path)).execArguments(), arguments);
    }
};

QTEST_GUILESS_MAIN(AutostartTest)
#include "tst_Autostart.moc"
