#pragma once

#include <QString>
#include <QStringList>

namespace tovik {

// What a second launch hands to the running instance: the files to ingest (absolute
// paths, none to only bring the window forward) and the desktop's activation token,
// without which a Wayland compositor may refuse to raise the window.
struct InstanceRequest
{
    QStringList files;
    QString activationToken;

    bool operator==(const InstanceRequest &) const = default;
};

} // namespace tovik
