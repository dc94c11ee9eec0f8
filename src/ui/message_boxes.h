// The modal Korean message boxes of the window.
#pragma once

#include <QString>

#include "core/window_port.h"

class QWidget;

namespace orvik::ui {

// Title of every box the launcher shows.
QString BoxTitle();
// Yes/No with a question icon; true for Yes. Closing the box counts as No.
bool RunQuestionBox(QWidget* parent, const QString& text);
// One OK button, the icon as asked.
void RunNoticeBox(QWidget* parent, const QString& text, MessageIcon icon);

}  // namespace orvik::ui
