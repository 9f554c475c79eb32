#include "platform/desktop/desktop_services.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>

using namespace kelvara;

TEST(DesktopDialogs, AMessageBoxTakesTheMouseFromAButtonHoldingItAndSpeaksChinese) {
    QWidget button;
    button.resize(30, 20);
    button.show();
    button.grabMouse(); // a title-bar button under the pointer holds the mouse
    ASSERT_EQ(QWidget::mouseGrabber(), &button);

    QWidget* grabber_while_open = &button;
    QStringList captions;
    QTimer::singleShot(0, [&] {
        grabber_while_open = QWidget::mouseGrabber();
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        for (QAbstractButton* b : box->buttons())
            captions << b->text();
        box->button(QMessageBox::No)->click();
    });
    QtDialogs dialogs;
    const MsgAnswer answer = dialogs.message_box(QStringLiteral("关闭 Kelvara 最小化到托盘吗？"),
                                                 QStringLiteral("提示："), MsgButtons::YesNo,
                                                 MsgIcon::Question);
    EXPECT_EQ(answer, MsgAnswer::No);
    EXPECT_EQ(grabber_while_open, nullptr);
    captions.sort();
    EXPECT_EQ(captions, (QStringList{QStringLiteral("否(&N)"), QStringLiteral("是(&Y)")}));
}

TEST(DesktopDialogs, FileFilterOfTheOpenFileDialog) {
    EXPECT_EQ(qt_file_filter(QStringLiteral("影音文件|*.rm;*.rmvb;*wma|所有文件|*.*")),
              QStringLiteral("影音文件 (*.rm *.rmvb *wma);;所有文件 (*)"));
}
