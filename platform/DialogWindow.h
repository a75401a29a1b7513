#pragma once

#include <QWidget>

class CDialog;

// The top-level widget of a dialog. It hands the keys the dialog manager
// handles (Enter, Escape, Tab) and the close box to its dialog, and centres
// itself when it is first shown.
class DialogWindow : public QWidget
{
    Q_OBJECT

public:
    DialogWindow(CDialog* dialog, Qt::WindowFlags flags);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    CDialog* m_dialog;
};
