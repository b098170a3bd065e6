#pragma once
// What the windows show a screen reader: bar gauges and the drawn bars as progress bars with
// their values, boxes, pages and groups that list only the controls a user can see (a hidden
// row or button is not there at all), and names that come from captions and labels, never
// from the designer's control names.

#include <QString>

class QWidget;

namespace vintrel::forms {

// Installs the program's accessible interfaces; called by every window, effective once.
void installAccessibility();

// Marks a drawn bar (a box whose width shows a percentage) as a progress bar with this name.
void markProgressBar(QWidget* bar, const QString& name);
// The percentage a marked bar or a gauge shows; tells a listening screen reader of a change.
void setAccessibleProgress(QWidget* bar, int percent);
int accessibleProgress(const QWidget* bar);

}  // namespace vintrel::forms
