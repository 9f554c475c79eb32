#include "desktop/desktop_services.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QListView>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <fnmatch.h>
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
    const MsgAnswer answer =
        dialogs.message_box(QStringLiteral("关闭 Kelvara 最小化到托盘吗？"),
                            QStringLiteral("提示："), MsgButtons::YesNo, MsgIcon::Question);
    EXPECT_EQ(answer, MsgAnswer::No);
    EXPECT_EQ(grabber_while_open, nullptr);
    captions.sort();
    EXPECT_EQ(captions, (QStringList{QStringLiteral("否(&N)"), QStringLiteral("是(&Y)")}));
}

namespace {

const QString kMediaFilter =
    QStringLiteral("影音文件|*.rm;*.rmvb;*.wmv;*.mp3;*wma;*mid;*wav;*mpg;*mp4|所有文件|*.*");
const QStringList kMediaNames{"FILM.MP4", "a%7Cb.mp4", "歌.WMA", "长河落日.Rmvb"};

// The names the first filter lets through, matched the way the desktop's own
// file dialogs match their patterns: case-sensitive shell globs.
QStringList passed_by_desktop_dialogs(const QString& qt_filter, const QStringList& names) {
    const QString first = qt_filter.section(QStringLiteral(";;"), 0, 0);
    const QStringList patterns =
        first.mid(first.indexOf(u'(') + 1).chopped(1).split(u' ', Qt::SkipEmptyParts);
    QStringList passed;
    for (const QString& name : names) {
        for (const QString& pattern : patterns) {
            if (fnmatch(pattern.toUtf8().constData(), name.toUtf8().constData(), 0) == 0) {
                passed << name;
                break;
            }
        }
    }
    return passed;
}

} // namespace

TEST(DesktopDialogs, OpenFileDialogShowsMediaFilesWhateverTheCaseOfTheirNames) {
    const QStringList names = kMediaNames + QStringList{"说明.txt"};
    EXPECT_EQ(passed_by_desktop_dialogs(qt_file_filter(kMediaFilter), names), kMediaNames);

    // Qt's own dialog, shown in a folder of such files.
    QTemporaryDir dir;
    for (const QString& name : names) {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << name.toStdString();
    }
    const QString before = QDir::currentPath();
    QDir::setCurrent(dir.path()); // the dialog opens in the current folder

    QStringList listed;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        auto* view = dialog->findChild<QListView*>(QStringLiteral("listView"));
        ASSERT_NE(view, nullptr);
        const auto shown = [&] {
            QStringList out;
            const QModelIndex root = view->rootIndex();
            for (int row = 0; row < view->model()->rowCount(root); ++row)
                out << view->model()->index(row, 0, root).data().toString();
            out.sort();
            return out;
        };
        EXPECT_TRUE(QTest::qWaitFor([&] { return shown().size() >= kMediaNames.size(); }, 5000));
        QTest::qWait(200); // the text file would come with the same listing
        listed = shown();
        dialog->reject();
    });
    QtDialogs dialogs;
    const QString chosen = dialogs.open_file(kMediaFilter, QStringLiteral("选择播放文件"));
    QDir::setCurrent(before);
    EXPECT_TRUE(chosen.isEmpty());
    EXPECT_EQ(listed, kMediaNames);
}
