#include "rag/ragresolution.h"

#include "i18n/translate.h"
#include "system/loginshell.h"
#include "rag/ragpaths.h"
#include "rag/ragsettings.h"

#include <QDir>
#include <QPointer>
#include <QStringDecoder>

namespace tovik {

std::optional<QString> searchBaseFolder(const RagSettings &settings)
{
    if (auto root = projectRoot(settings.workingDirectory()))
        return root;
    if (isDirectoryPath(settings.workingDirectory()))
        return expandTilde(settings.workingDirectory());
    return std::nullopt;
}

QStringList ragSearchCandidates(const RagSettings &settings)
{
    QStringList candidates;
    if (const auto base = searchBaseFolder(settings)) {
        candidates << *base + QStringLiteral("/.venv/bin/rag")
                   << *base + QStringLiteral("/venv/bin/rag");
    }
    const QString sys = settings.systemRoot();
    const QString home = QDir::homePath();
    candidates << sys + QStringLiteral("/opt/homebrew/bin/rag")
               << sys + QStringLiteral("/usr/local/bin/rag")
               << home + QStringLiteral("/.local/bin/rag")
               << home + QStringLiteral("/.tovikrag/venv/bin/rag");
    // A rag shipped with the application, then the distribution's own.
    const QString beside = settings.besideExecutableFolder();
    if (!beside.isEmpty())
        candidates << beside + QStringLiteral("/rag");
    candidates << sys + QStringLiteral("/usr/bin/rag");
    return candidates;
}

void searchForRag(const RagSettings &settings, QObject *context, PathCallback done)
{
    for (const QString &candidate : ragSearchCandidates(settings)) {
        if (isExecutableRag(candidate)) {
            done(candidate);
            return;
        }
    }
    const auto shell = settings.loginShell();
    if (!shell) {
        done(std::nullopt);
        return;
    }
    loginShellLookup(*shell, context, [done = std::move(done)](const std::optional<QString> &path) {
        done(path && isExecutableRag(*path) ? path : std::nullopt);
    });
}

std::optional<QString> parseLoginShellPath(const LoginShellOutput &output)
{
    if (!output.started || !output.exitedNormally || output.exitCode != 0)
        return std::nullopt;
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(output.standardOutput);
    if (decoder.hasError())
        return std::nullopt;
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty() || trimmed.contains(QLatin1Char('\n')))
        return std::nullopt;
    return trimmed;
}

void loginShellLookup(LoginShell &shell, QObject *context, PathCallback done)
{
    shell.run(QStringLiteral("command -v rag"), context,
              [done = std::move(done)](const LoginShellOutput &output) {
        done(parseLoginShellPath(output));
    });
}

QStringList checkoutLeadingArguments()
{
    return {QStringLiteral("-c"), QStringLiteral("from ragcli.cli import main; raise SystemExit(main())")};
}

void resolveCommand(RagSettings &settings, QObject *context, ResolveCallback done)
{
    const QString ragPath = settings.ragPath();
    // A project folder given as the program is where rag should run.
    if (isDirectoryPath(ragPath)) {
        if (const auto root = projectRoot(ragPath); root && *root != settings.workingDirectory())
            settings.setWorkingDirectory(*root);
    }

    if (isExecutableRag(ragPath)) {
        done(ResolvedCommand{expandTilde(ragPath), {}, {}});
        return;
    }

    // A checkout in the working directory wins over any installed rag.
    auto checkout = sourceCheckoutRoot(settings.workingDirectory());
    if (!checkout)
        checkout = sourceCheckoutRoot(ragPath);
    if (checkout) {
        const auto python = pythonForCheckout(*checkout, settings.systemRoot());
        if (!python) {
            done(std::nullopt);
            return;
        }
        done(ResolvedCommand{*python, checkoutLeadingArguments(),
                             {{QStringLiteral("PYTHONPATH"), *checkout + QStringLiteral("/src")}}});
        return;
    }

    QPointer<RagSettings> guard(&settings);
    searchForRag(settings, context, [guard, done = std::move(done)](const std::optional<QString> &found) {
        if (!found || !guard) {
            done(std::nullopt);
            return;
        }
        // Stored so that the next resolution takes the direct path.
        if (guard->ragPath() != *found)
            guard->setRagPath(*found);
        done(ResolvedCommand{*found, {}, {}});
    });
}

QString notFoundMessage(const RagSettings &settings)
{
    if (sourceCheckoutRoot(settings.workingDirectory()) || sourceCheckoutRoot(settings.ragPath()))
        return translate(QStringLiteral("Python wasn't found, so the rag in that folder can't run."));
    return translate(QStringLiteral("rag wasn't found. Reinstall tovikRAG to get the rag that comes with it, put a rag in "
                                    "~/.local/bin, or choose its path in Settings → System."));
}

} // namespace tovik
