#pragma once

#include <QObject>
#include <QString>

#include <optional>

namespace tovik {

// The remembered documents sidebar width ("documentsSidebarWidth"), shared by every tab.
class SidebarWidthStore final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SidebarWidthStore)

public:
    static SidebarWidthStore &shared();

    double width() const;
    // Stores the width when it differs from the stored one by a point or more. Returns
    // the message to show when the settings file could not be written.
    std::optional<QString> commit(double width);

Q_SIGNALS:
    void widthChanged();

private:
    SidebarWidthStore() = default;
};

} // namespace tovik
