// Boxes and dialogs: shown by Qt, answered by the person, while the core
// keeps running.
#include <QAbstractButton>
#include <QColorDialog>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <fstream>
#include <optional>

#include "gui/backend_choice.h"
#include "qt_forms_support.h"

namespace {

using namespace vcl;
using gui::testing::QtFixture;

class DialogTest : public QtFixture {};

// How the person answers a box.
enum class Press { First, Second, Escape, Close };

QAbstractButton* NthButton(QMessageBox* mb, int n) {
  QList<QAbstractButton*> buttons = mb->buttons();
  // Qt lays the buttons out by role; the core's order is what they were added in.
  std::vector<QAbstractButton*> ordered;
  for (QMessageBox::StandardButton sb : {QMessageBox::Ok, QMessageBox::Yes, QMessageBox::Abort, QMessageBox::Retry,
                                         QMessageBox::Ignore, QMessageBox::No, QMessageBox::Cancel}) {
    if (QAbstractButton* b = mb->button(sb)) ordered.push_back(b);
  }
  return n < static_cast<int>(ordered.size()) ? ordered[static_cast<std::size_t>(n)] : nullptr;
}

TEST_F(DialogTest, MessageBoxesShowTheirButtonsAndAnswerThePressedOne) {
  struct Case {
    unsigned flags;
    QMessageBox::Icon icon;
    int buttons;
    Press press;
    int answer;
  };
  const Case cases[] = {
      {MB_OK | MB_ICONERROR, QMessageBox::Critical, 1, Press::First, IDOK},
      {MB_OK, QMessageBox::NoIcon, 1, Press::Escape, IDOK},
      {MB_YESNO | MB_ICONINFORMATION | MB_TOPMOST, QMessageBox::Information, 2, Press::First, IDYES},
      {MB_YESNO | MB_ICONQUESTION, QMessageBox::Question, 2, Press::Escape, IDNO},
      {MB_OKCANCEL | MB_ICONWARNING, QMessageBox::Warning, 2, Press::Close, IDCANCEL},
      {MB_YESNOCANCEL, QMessageBox::NoIcon, 3, Press::Second, IDNO},
      {MB_ABORTRETRYIGNORE, QMessageBox::NoIcon, 3, Press::Escape, IDABORT},
      {MB_RETRYCANCEL, QMessageBox::NoIcon, 2, Press::First, IDRETRY},
  };
  struct Seen {
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    int buttons = 0;
    QString title, text;
    bool modal = false, topmost = false;
  };
  for (const Case& c : cases) {
    std::optional<Seen> seen;
    bool posted = false;
    backend->dialogShown = [&](QWidget* d) {
      auto* mb = qobject_cast<QMessageBox*>(d);
      ASSERT_TRUE(mb);
      seen = Seen{mb->icon(), static_cast<int>(mb->buttons().size()), mb->windowTitle(), mb->text(), mb->isModal(),
                  static_cast<bool>(mb->windowFlags() & Qt::WindowStaysOnTopHint)};
      // Posted work runs while the box is open: the core's loop turns under it.
      ui.App().Post([&posted] { posted = true; });
      QTimer::singleShot(0, [&, mb] {
        EXPECT_TRUE(posted) << "the core stood still under the box";
        switch (c.press) {
          case Press::First: NthButton(mb, 0)->click(); break;
          case Press::Second: NthButton(mb, 1)->click(); break;
          case Press::Escape: QTest::keyClick(mb, Qt::Key_Escape); break;
          case Press::Close: mb->close(); break;
        }
      });
    };
    const int answer = MessageBox(nullptr, "Please Active Board First", "Kestrum", c.flags);
    ASSERT_TRUE(seen) << std::hex << c.flags;
    EXPECT_EQ(answer, c.answer) << std::hex << c.flags;
    EXPECT_EQ(seen->icon, c.icon) << std::hex << c.flags;
    EXPECT_EQ(seen->buttons, c.buttons) << std::hex << c.flags;
    EXPECT_EQ(seen->title, "Kestrum");
    EXPECT_EQ(seen->text, "Please Active Board First");
    EXPECT_TRUE(seen->modal);
    EXPECT_EQ(seen->topmost, (c.flags & MB_TOPMOST) != 0);
  }
}

TEST_F(DialogTest, BoxTextsKeepTheirLineBreaks) {
  QString text;
  backend->dialogShown = [&](QWidget* d) {
    text = qobject_cast<QMessageBox*>(d)->text();
    QTimer::singleShot(0, [d] { qobject_cast<QMessageBox*>(d)->button(QMessageBox::Ok)->click(); });
  };
  MessageBox(nullptr, "CAN Bus disconnected or firmwre not responding!\r\nPlease check the CAN bus connection first.",
             "Kestrum Error", MB_OK | MB_ICONERROR);
  EXPECT_EQ(text, "CAN Bus disconnected or firmwre not responding!\nPlease check the CAN bus connection first.");
}

TEST_F(DialogTest, AScriptedPersonReadsTheOpenBoxAndPressesItsDefaultButton) {
  EXPECT_EQ(gui::OpenBoxText(), std::nullopt);
  EXPECT_FALSE(gui::PressOpenBoxDefault());
  std::optional<std::string> inner;
  backend->dialogShown = [&](QWidget*) {
    // A box opened from inside another: the inner one is the open one, and
    // the outer one is open again once the inner one is answered.
    backend->dialogShown = [&](QWidget*) {
      inner = gui::OpenBoxText();
      QTimer::singleShot(0, [] { EXPECT_TRUE(gui::PressOpenBoxDefault()); });
    };
    QTimer::singleShot(0, [&] {
      EXPECT_EQ(MessageBox(nullptr, "Inner", "Kestrum", MB_OK), IDOK);
      EXPECT_EQ(gui::OpenBoxText(), "Outer?");
      EXPECT_TRUE(gui::PressOpenBoxDefault());
    });
  };
  EXPECT_EQ(MessageBox(nullptr, "Outer?", "Kestrum", MB_YESNO | MB_ICONQUESTION), IDYES);
  EXPECT_EQ(inner, "Inner");
  EXPECT_EQ(gui::OpenBoxText(), std::nullopt);
}

TEST_F(DialogTest, TheEepFilterFindsFilesOfEitherCaseAndAddsTheExtension) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  for (const char* name : {"upper.EEP", "lower.eep", "other.txt"}) std::ofstream(dir.filePath(name).toStdString()) << "x";
  auto* form = Create<TForm>(&ui.App(), "Form_Main");
  auto* save = Create<TSaveDialog>(form, "SaveDialog_EEPROM");
  save->Filter = "EEP File|*.EEP";
  save->DefaultExt = "EEP";
  save->Options = TOpenOptions(ofOverwritePrompt) | ofHideReadOnly;
  save->InitialDir = dir.path().toStdString();
  QStringList matched;
  bool confirms = false;
  backend->dialogShown = [&](QWidget* d) {
    auto* fd = qobject_cast<QFileDialog*>(d);
    ASSERT_TRUE(fd);
    confirms = !fd->testOption(QFileDialog::DontConfirmOverwrite);
    const QString filter = fd->nameFilters().value(0);
    const QString patterns = filter.mid(filter.indexOf('(') + 1).chopped(1);
    matched = QDir(dir.path()).entryList(patterns.split(' '), QDir::Files, QDir::Name);
    QTimer::singleShot(0, [fd, &dir] {
      fd->selectFile(dir.filePath("config"));
      static_cast<QDialog*>(fd)->accept();  // as the Save button does
    });
  };
  ASSERT_TRUE(save->Execute());
  EXPECT_EQ(matched, (QStringList{"lower.eep", "upper.EEP"}));
  EXPECT_TRUE(confirms);
  EXPECT_EQ(save->FileName(), dir.filePath("config.EEP").toStdString());

  backend->dialogShown = [](QWidget* d) { QTimer::singleShot(0, [d] { qobject_cast<QDialog*>(d)->reject(); }); };
  auto* open = Create<TOpenDialog>(form, "OpenDialog_EEPROM");
  EXPECT_FALSE(open->Execute()) << "cancelled";
}

TEST_F(DialogTest, TheColourDialogAnswersInTheCoresByteOrder) {
  auto* dialog = Create<TColorDialog>(&ui.App(), "ColorDialog1");
  dialog->Color = clRed;
  QColor initial;
  backend->dialogShown = [&](QWidget* d) {
    auto* cd = qobject_cast<QColorDialog*>(d);
    initial = cd->currentColor();
    QTimer::singleShot(0, [cd] {
      cd->setCurrentColor(QColor(255, 128, 0));
      static_cast<QDialog*>(cd)->accept();
    });
  };
  ASSERT_TRUE(dialog->Execute());
  EXPECT_EQ(initial, QColor(255, 0, 0));
  EXPECT_EQ(dialog->Color(), plat::Rgb(255, 128, 0));
}

}  // namespace
