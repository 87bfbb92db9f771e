#pragma once

class QLabel;
class QWidget;

namespace tovik {

// The label styles of the settings pages: a bold headline and a wrapped secondary caption.
QLabel *settingsHeadline(QWidget *parent);
QLabel *settingsCaption(QWidget *parent);

} // namespace tovik
