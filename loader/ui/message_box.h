#ifndef TREVIK_MESSAGE_BOX_H
#define TREVIK_MESSAGE_BOX_H

#include <QString>

class QWidget;

enum class MessageKind
{
    Critical,
    Information
};

// Shows a modal message box with one OK button over the parent and returns when it is closed.
void showMessageBox(QWidget* pParent, MessageKind kind, const QString& strTitle, const QString& strText);

// Test seam: while a hook is set, showMessageBox hands its arguments to the hook instead of
// opening a box, so a test can read every box of a load without a nested event loop.
// Pass nullptr to restore the real boxes.
using MessageBoxHook = void (*)(QWidget* pParent, MessageKind kind, const QString& strTitle,
                                const QString& strText);
void setMessageBoxHook(MessageBoxHook hook);

#endif
