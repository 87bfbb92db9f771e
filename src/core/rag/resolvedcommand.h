#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

namespace tovik {

// How to start rag: the program, the words before the subcommand, and environment
// entries merged into the child's environment.
struct ResolvedCommand
{
    QString executable;
    QStringList leadingArguments;
    QMap<QString, QString> extraEnvironment;

    bool operator==(const ResolvedCommand &) const = default;
};

} // namespace tovik
