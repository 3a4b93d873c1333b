#include "common/widgets/dialogs.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>

#include "tests/support/temp_dir.h"

namespace brindlecut {
namespace {

// Runs `act` on the modal dialog of type T once it is up, from inside its
// event loop, as a user would.
template <typename T>
void whenShown(std::function<void(T*)> act) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        if (auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            act(dialog);
        }
    });
    timer->start();
}

struct BoxCase {
    const char* title;
    int kind;  // 0 tell, 1 OK/Cancel, 2 Yes/No
    QMessageBox::StandardButtons buttons;
    // 0: press the first button, 1: press the second, 2: Escape, 3: close the window
    int action;
    bool expected;
};

class MessageBoxes : public ::testing::TestWithParam<BoxCase> {};

TEST_P(MessageBoxes, ShowTheTextWithNoIconAndAnswer) {
    const BoxCase& c = GetParam();
    QWidget window;
    MessageBoxDialogs dialogs("join", &window);
    const std::string text = "Choose a different directory <b>&amp;</b>";
    bool checked = false;
    whenShown<QMessageBox>([&](QMessageBox* box) {
        checked = true;
        EXPECT_EQ(box->windowTitle(), "join");
        EXPECT_EQ(box->text(), QString::fromStdString(text));
        EXPECT_EQ(box->textFormat(), Qt::PlainText);
        EXPECT_EQ(box->icon(), QMessageBox::NoIcon);
        EXPECT_EQ(box->standardButtons(), c.buttons);
        EXPECT_EQ(box->parentWidget(), &window);
        const QList<QAbstractButton*> buttons = box->buttons();
        switch (c.action) {
            case 0:
            case 1: {
                const QMessageBox::StandardButton order[2][2] = {{QMessageBox::Ok, QMessageBox::Cancel},
                                                                 {QMessageBox::Yes, QMessageBox::No}};
                box->button(order[c.kind == 2][c.action])->click();
                break;
            }
            case 2:
                QTest::keyClick(box, Qt::Key_Escape);
                break;
            case 3:
                box->close();
                break;
        }
    });
    bool answer = true;
    switch (c.kind) {
        case 0:
            dialogs.tell(text);
            break;
        case 1:
            answer = dialogs.askOkCancel(text);
            break;
        case 2:
            answer = dialogs.askYesNo(text);
            break;
    }
    EXPECT_TRUE(checked);
    EXPECT_EQ(answer, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Dialogs, MessageBoxes,
    ::testing::Values(BoxCase{"tell_ok", 0, QMessageBox::Ok, 0, true},
                      BoxCase{"tell_escape", 0, QMessageBox::Ok, 2, true},
                      BoxCase{"okcancel_ok", 1, QMessageBox::Ok | QMessageBox::Cancel, 0, true},
                      BoxCase{"okcancel_cancel", 1, QMessageBox::Ok | QMessageBox::Cancel, 1, false},
                      BoxCase{"okcancel_escape", 1, QMessageBox::Ok | QMessageBox::Cancel, 2, false},
                      BoxCase{"okcancel_closed", 1, QMessageBox::Ok | QMessageBox::Cancel, 3, false},
                      BoxCase{"yesno_yes", 2, QMessageBox::Yes | QMessageBox::No, 0, true},
                      BoxCase{"yesno_no", 2, QMessageBox::Yes | QMessageBox::No, 1, false},
                      BoxCase{"yesno_closed", 2, QMessageBox::Yes | QMessageBox::No, 3, false}),
    [](const ::testing::TestParamInfo<BoxCase>& info) { return std::string(info.param.title); });

TEST(FileDialog, OffersExistingFilesWithTheTitleAndFilter) {
    testing::TempDir temp;
    testing::writeFile(temp / "report.doc.inf.vek", "report.doc\r\n3\r\n");
    MessageBoxDialogs dialogs("join");
    whenShown<QFileDialog>([&](QFileDialog* dialog) {
        EXPECT_EQ(dialog->windowTitle(), "Please select the .vek file you wish to join");
        EXPECT_EQ(dialog->fileMode(), QFileDialog::ExistingFile);
        EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptOpen);
        EXPECT_EQ(dialog->nameFilters(), QStringList{"*.vek"});
        EXPECT_EQ(dialog->defaultSuffix(), "vek");
        dialog->setDirectory(QString::fromStdString(temp.path()));
        dialog->selectFile(QString::fromStdString(temp / "report.doc.inf.vek"));
        static_cast<QDialog*>(dialog)->accept();
    });
    EXPECT_EQ(dialogs.openFile("Please select the .vek file you wish to join", "*.vek", "*.vek"),
              QString::fromStdString(temp / "report.doc.inf.vek"));

    whenShown<QFileDialog>([](QFileDialog* dialog) { dialog->reject(); });
    EXPECT_EQ(dialogs.openFile("Select the file you want to split", "", ""), QString());
}

TEST(LocalText, RoundTripsFileNameBytes) {
    const std::string name = "r\xc3\xa9sum\xc3\xa9 1.doc";
    EXPECT_EQ(fromLocal(name), QString::fromUtf8("résumé 1.doc"));
    EXPECT_EQ(toLocal(fromLocal(name)), name);
}

// The progress dialog against a clock the test moves by hand.
class ProgressTest : public ::testing::Test {
protected:
    ProgressTest() : dialogs_("Brindlecut", &window_) {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        dialogs_.setProgressTiming([this] { return now_; });
    }
    ~ProgressTest() override { QLocale::setDefault(QLocale::system()); }

    QProgressDialog* shown() { return window_.findChild<QProgressDialog*>("progress"); }
    QString label() {
        auto* text = shown() ? shown()->findChild<QLabel*>() : nullptr;
        return text ? text->text() : QString();
    }

    std::int64_t now_ = 1000;
    QWidget window_;
    MessageBoxDialogs dialogs_;
};

TEST_F(ProgressTest, AppearsOnlyAfterHalfASecond) {
    EXPECT_TRUE(dialogs_.progress("report.doc.1", 0, 2500000));
    now_ += 250;
    EXPECT_TRUE(dialogs_.progress("report.doc.1", 500000, 2500000));
    now_ += 249;
    EXPECT_TRUE(dialogs_.progress("report.doc.1", 900000, 2500000));
    EXPECT_EQ(shown(), nullptr);
    now_ += 1;
    EXPECT_TRUE(dialogs_.progress("report.doc.2", 1048576, 2500000));
    ASSERT_NE(shown(), nullptr);
    EXPECT_TRUE(shown()->isVisible());
    EXPECT_TRUE(shown()->isModal());
    EXPECT_EQ(shown()->windowTitle(), "Brindlecut");
    EXPECT_EQ(label(), "report.doc.2\n1,048,576 of 2,500,000 bytes");
    EXPECT_EQ(shown()->value() * 1.0 / shown()->maximum(), 419 / 1000.0);

    dialogs_.progressEnd();
    EXPECT_EQ(shown(), nullptr);
    // A new long copy starts its own half second.
    EXPECT_TRUE(dialogs_.progress("x", 0, 10));
    now_ += 499;
    EXPECT_TRUE(dialogs_.progress("x", 5, 10));
    EXPECT_EQ(shown(), nullptr);
}

TEST_F(ProgressTest, UpdatesAtMostEveryFiftyMilliseconds) {
    dialogs_.progress("piece", 0, 1000);
    now_ += 500;
    dialogs_.progress("piece", 100, 1000);
    ASSERT_NE(shown(), nullptr);
    EXPECT_EQ(label(), "piece\n100 of 1,000 bytes");
    struct Step {
        int advance;
        int done;
        const char* label;
    };
    for (const Step& step :
         {Step{10, 200, "piece\n100 of 1,000 bytes"}, Step{39, 300, "piece\n100 of 1,000 bytes"},
          Step{1, 400, "piece\n400 of 1,000 bytes"}, Step{49, 500, "piece\n400 of 1,000 bytes"},
          Step{60, 600, "piece\n600 of 1,000 bytes"}}) {
        now_ += step.advance;
        EXPECT_TRUE(dialogs_.progress("piece", step.done, 1000));
        EXPECT_EQ(label(), step.label) << step.done;
    }
}

TEST_F(ProgressTest, CancelStopsTheCopy) {
    dialogs_.progress("piece", 0, 1000);
    now_ += 600;
    ASSERT_TRUE(dialogs_.progress("piece", 10, 1000));
    ASSERT_NE(shown(), nullptr);
    auto* cancel = shown()->findChild<QPushButton*>();
    ASSERT_NE(cancel, nullptr);
    EXPECT_EQ(cancel->text(), QProgressDialog().findChild<QPushButton*>()->text());
    cancel->click();
    // Seen at once, even inside the quiet 50 ms, and from then on.
    now_ += 1;
    EXPECT_FALSE(dialogs_.progress("piece", 20, 1000));
    now_ += 100;
    EXPECT_FALSE(dialogs_.progress("piece", 30, 1000));
    dialogs_.progressEnd();
    EXPECT_EQ(shown(), nullptr);
    EXPECT_TRUE(dialogs_.progress("piece", 0, 1000));
}

}  // namespace
}  // namespace brindlecut
