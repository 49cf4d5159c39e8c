#include "message_box.h"

#include <QMessageBox>

namespace {
MessageBoxHook g_messageBoxHook = nullptr;
}

void setMessageBoxHook(MessageBoxHook hook)
{
    g_messageBoxHook = hook;
}

void showMessageBox(QWidget* pParent, MessageKind kind, const QString& strTitle, const QString& strText)
{
    if (g_messageBoxHook) {
        g_messageBoxHook(pParent, kind, strTitle, strText);
        return;
    }
    if (kind == MessageKind::Critical)
        QMessageBox::critical(pParent, strTitle, strText);
    else
        QMessageBox::information(pParent, strTitle, strText);
}
