#include "platform/DataExchange.h"

#include "platform/AppName.h"
#include "platform/Text.h"
#include "platform/Wnd.h"

#include <QLineEdit>
#include <QString>
#include <QVariant>
#include <stdexcept>

namespace {

// The framework's own message for a text over its limit.
const char* const kTextTooLong = "%1 文字以内で入力してください。";

} // namespace

CDataExchange::CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate)
    : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd)
{}

QWidget* CDataExchange::PrepareCtrl(int nIDC)
{
    CWnd* control = m_pDlgWnd->GetDlgItem(nIDC);
    if (control == nullptr || control->widget() == nullptr)
        throw std::logic_error("data exchange with a control the dialog does not have");
    m_idLastControl = nIDC;
    return control->widget();
}

void CDataExchange::Fail()
{
    if (CWnd* control = m_pDlgWnd->GetDlgItem(m_idLastControl);
        control != nullptr && control->widget() != nullptr) {
        control->widget()->setFocus(Qt::OtherFocusReason);
        if (auto* edit = qobject_cast<QLineEdit*>(control->widget()))
            edit->selectAll();
    }
    throw CUserException();
}

void DDX_Text(CDataExchange* pDX, int nIDC, std::string& value)
{
    QWidget* control = pDX->PrepareCtrl(nIDC);
    auto* edit = qobject_cast<QLineEdit*>(control);
    if (pDX->m_bSaveAndValidate) {
        value = toStdString(edit != nullptr ? edit->text() : control->property("text").toString());
    } else if (edit != nullptr) {
        edit->setText(toQString(value));
    } else {
        control->setProperty("text", toQString(value));
    }
}

void DDV_MaxChars(CDataExchange* pDX, const std::string& value, int nChars)
{
    if (pDX->m_bSaveAndValidate) {
        if (toQString(value).size() > nChars) {
            const std::string text = toStdString(QString::fromUtf8(kTextTooLong).arg(nChars));
            pDX->m_pDlgWnd->MessageBox(text, AfxGetAppName(), MB_OK | MB_ICONEXCLAMATION);
            pDX->Fail();
        }
        return;
    }
    // Loading: the limit becomes the control's own, for what the user types.
    CWnd* control = pDX->m_pDlgWnd->GetDlgItem(pDX->m_idLastControl);
    if (control == nullptr)
        return;
    if (auto* edit = qobject_cast<QLineEdit*>(control->widget()))
        edit->setMaxLength(nChars);
}

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl)
{
    if (rControl.widget() != nullptr)
        return;
    pDX->PrepareCtrl(nIDC);
    rControl.SubclassDlgItem(nIDC, pDX->m_pDlgWnd);
}
