#pragma once

#include <QWidget>
#include <functional>

class DialogManager;

// The top-level widget of a dialog. It hands the keys the dialog manager
// handles (Enter, Escape, Tab), the close box and focus changes to the
// dialog's manager, and tells when it is shown for the first time. The
// close box never closes it by itself: hiding and destroying are the
// dialog's business.
class DialogWindow : public QWidget
{
    Q_OBJECT

public:
    explicit DialogWindow(Qt::WindowFlags flags);
    ~DialogWindow() override;

    // The manager the window hands its keys to; null hands nothing on (the
    // dialog is going).
    void setManager(DialogManager* manager) { m_manager = manager; }
    void setFirstShowHandler(std::function<void()> handler) { m_onFirstShow = std::move(handler); }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    DialogManager* m_manager = nullptr;
    std::function<void()> m_onFirstShow;
    QMetaObject::Connection m_focusChanges;
};
