#include "cli/CleanupCommand.h"

#include "app/AppRoot.h"
#include "cli/Console.h"
#include "cli/SweepReport.h"
#include "core/StopFlag.h"
#include "core/cleanup/CleanupSentence.h"
#include "core/cleanup/CleanupSweeper.h"
#include "core/search/SearchIndex.h"
#include "core/settings/Preferences.h"

#include <QStringList>

#include <variant>

namespace {

struct Options
{
    bool dryRun = false;
    bool permanently = false;
    std::optional<DeletionPolicy> policy;
};

// "1 Day", "1 day", "1day" and "1-day" all name the same policy.
QString normalized(QString text)
{
    return text.toLower().remove(QLatin1Char(' ')).remove(QLatin1Char('-'));
}

std::optional<DeletionPolicy> parsePolicy(const QString& text)
{
    for (DeletionPolicy policy : DeletionPolicies::all()) {
        if (normalized(DeletionPolicies::rawValue(policy)) == normalized(text))
            return policy;
    }
    return std::nullopt;
}

QString policyChoices()
{
    QStringList labels;
    for (DeletionPolicy policy : DeletionPolicies::all()) {
        if (policy != DeletionPolicy::Never)
            labels << QLatin1Char('"') + DeletionPolicies::rawValue(policy) + QLatin1Char('"');
    }
    return labels.join(QStringLiteral(", "));
}

// The options, or the usage error to print.
std::variant<Options, QString> parse(const QStringList& arguments)
{
    Options options;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == QLatin1String("--dry-run")) {
            options.dryRun = true;
        } else if (argument == QLatin1String("--permanently")) {
            options.permanently = true;
        } else if (argument == QLatin1String("--older-than") || argument.startsWith(QLatin1String("--older-than="))) {
            QString value;
            if (argument.contains(QLatin1Char('=')))
                value = argument.section(QLatin1Char('='), 1);
            else if (i + 1 < arguments.size())
                value = arguments[++i];
            options.policy = parsePolicy(value);
            if (!options.policy || *options.policy == DeletionPolicy::Never)
                return QStringLiteral("unknown age \"%1\"; use one of %2").arg(value, policyChoices());
        } else {
            return QStringLiteral("unknown argument \"%1\"; usage: momentra cleanup [--dry-run] "
                                  "[--older-than POLICY] [--permanently]")
                .arg(argument);
        }
    }
    return options;
}

int reportDryRun(const std::optional<SweepResult>& result, bool permanently, const QString& nothing)
{
    if (!result)
        return Console::failure(CleanupSentence::couldNotOpenFolder());
    if (result->trashed == 0)
        Console::out(nothing);
    else
        Console::out((permanently ? QStringLiteral("Would delete %1.") : QStringLiteral("Would move %1 to the Trash."))
                         .arg(CleanupSentence::countText(result->trashed)));
    return 0;
}

int run(AppRoot& root, const QStringList& arguments)
{
    const auto parsed = parse(arguments);
    if (const auto* message = std::get_if<QString>(&parsed))
        return Console::usageError(*message);
    const Options& options = std::get<Options>(parsed);

    Preferences& preferences = root.preferences();
    const DeletionPolicy policy = options.policy.value_or(preferences.deletionPolicy());
    const std::optional<qint64> maxAge = DeletionPolicies::maximumAgeSeconds(policy);
    if (!maxAge) {
        Console::out(
            QStringLiteral("Cleanup is off. Choose an age with --older-than, for example --older-than \"1 Week\"."));
        return 0;
    }
    const bool permanently = options.permanently || preferences.deletesPermanently();
    const QString folder = preferences.folderPath();

    CleanupSweeper sweeper(root.trash());
    sweeper.setDryRun(options.dryRun);
    const QDateTime now = QDateTime::currentDateTime();
    const std::optional<SweepResult> result = sweeper.sweep(folder, *maxAge, permanently, StopFlag(), now);
    const QString nothing = QStringLiteral("No screenshots older than ") + DeletionPolicies::rawValue(policy).toLower()
                            + QLatin1Char('.');
    if (options.dryRun)
        return reportDryRun(result, permanently, nothing);
    if (result && result->trashed > 0)
        root.searchIndex().dropMissing(folder);
    SweepLog log;
    return SweepReport::finish(log.record(result, SweepTrigger::Configured, folder, policy, permanently, now), result,
                               permanently, nothing, root.log());
}

}  // namespace

Command CleanupCommand::command()
{
    return {QStringLiteral("cleanup"), QStringLiteral("cleanup [--dry-run] [--older-than POLICY] [--permanently]"),
            QStringLiteral("move screenshots older than the cleanup age to the Trash (or delete them) now"), &run};
}
