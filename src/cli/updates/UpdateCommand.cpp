#include "cli/updates/UpdateCommand.h"

#include "app/AppRoot.h"
#include "app/updates/UpdateComponent.h"
#include "cli/CommandLogging.h"
#include "cli/Console.h"
#include "core/updates/Updater.h"
#include "ui/updates/UpdateAnswerWindow.h"

#include <QApplication>

namespace {

int run(AppRoot& root, const QStringList& arguments)
{
    if (arguments != QStringList{QStringLiteral("--check")})
        return Console::usageError(QStringLiteral("usage: momentra update --check"));
    CommandLogging::install(root.log(), false);
    UpdateComponent& updates = root.updates();
    int status = 1;
    QObject::connect(&updates.updater(), &Updater::checkFinished, &updates,
                     [&status](Updater::Origin origin, const Updater::Answer& answer) {
                         if (origin != Updater::Origin::User)
                             return;
                         const bool failed = answer.kind == Updater::Answer::Kind::Failed;
                         status = failed ? 1 : 0;
                         if (failed)
                             Console::err(QStringLiteral("momentra: ") + answer.text);
                         else
                             Console::out(answer.kind == Updater::Answer::Kind::UpToDate ? answer.text
                                                                                         : answer.title + '.');
                     });
    updates.checkNow();
    QApplication::setQuitOnLastWindowClosed(true);
    QApplication::exec();
    return status;
}

}  // namespace

Command UpdateCommand::command()
{
    return {QStringLiteral("update"), QStringLiteral("update --check"),
            QStringLiteral("check for a newer version of Momentra and show the answer"), run, true};
}
