#pragma once

#include <QSize>

class QFont;
class QWidget;

// Controls of a dialog are found by their numeric id, as the dialog templates number them.
void SetControlId(QWidget* control, int id);
QWidget* FindControl(const QWidget* dialog, int id);

// Converts dialog-template units to pixels for the dialog font: horizontal units are a quarter
// of the font's average character width, vertical units an eighth of its height.
class DialogUnits {
  public:
    explicit DialogUnits(const QFont& font);
    int X(int units) const { return (units * baseX_ + 2) / 4; }
    int Y(int units) const { return (units * baseY_ + 4) / 8; }
    QSize Size(int width, int height) const { return {X(width), Y(height)}; }

  private:
    int baseX_;
    int baseY_;
};
