#pragma once

#include <QDialog>

// The copyright page: who made the program, its version, and the licences of the program and of
// the libraries and voice data it runs on, as a learner or a distributor needs to see them.
class CopyrightPage : public QDialog {
    Q_OBJECT
  public:
    explicit CopyrightPage(QWidget* parent = nullptr);
};
