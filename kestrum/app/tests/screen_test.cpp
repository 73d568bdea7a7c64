// Kestrum as a person sees it, through the Qt backend on Qt's offscreen
// platform, against the simulated master in virtual time: the hardware is
// chosen with a press on the chooser's Qt button, the board is activated with
// a press on its button, and a picture of the main window is written. The
// picture is judged by the status fields' widgets and a few of its pixels,
// not against a stored image.

#include <QApplication>
#include <QImage>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <functional>
#include <set>
#include <string>

#include "gui/backend_choice.h"
#include "kestrum/app/select_hardware.h"
#include "kestrum/app/testing/kestrum_test.h"
#include "kestrum/app/wait_message.h"
#include "kestrum/app/win_main.h"
#include "qt_backend.h"
#include "qt_start.h"
#include "qt_support.h"
#include "temp_dir.h"
#include "kestrum/app/pictures.h"
#include "pictures.h"
#include "views.h"

namespace {

using namespace vcl;
using namespace kestrum::testing;

class KestrumOnScreen : public KestrumThroughQt {
 protected:
  KestrumOnScreen() {
    gui::testing::EnsureQApplication();
    backend = std::make_shared<gui::QtBackend>(ui.App(), gui::testing::Argc(), gui::testing::Argv());
    ui.App().SetBackend(backend);
  }

  template <class W = QWidget>
  W* WidgetOf(const plat::Component* c) {
    ui.App().Idle();
    auto* w = dynamic_cast<W*>(backend->WidgetOf(c));
    EXPECT_TRUE(w) << "no fitting widget for " << std::string(c->Name);
    return w;
  }

  // Starts the program up to its loop; the chooser's widget and caption are
  // kept as they were while it was open.
  void StartAndChooseThroughQt() {
    KestrumThroughQt::StartAndChooseThroughQt([this] {
      chooser = backend->WidgetOf(Form_SelectHardware);
      ASSERT_TRUE(chooser && chooser->isVisible());
      chooserCaption = chooser->windowTitle();
    });
  }

  QWidget* chooser = nullptr;
  QString chooserCaption;
  test_support::TempDir dir;
};

// One field of the status line as the picture shows it.
struct Shown {
  QString widgetText;
  QColor inside;  // a pixel inside the field, right of its text
};

TEST_F(KestrumOnScreen, TheActivatedBoardsStatusShowsInThePictureOfTheMainWindow) {
  StartAndChooseThroughQt();
  EXPECT_EQ(HardwareKind, driver::kKindCalvory);
  EXPECT_FALSE(chooser->isVisible()) << "the chooser stayed on screen after the choice";

  auto* top = WidgetOf(Form_Main);
  ASSERT_TRUE(top && top->isVisible());
  TEdit* const fields[] = {Form_Main->Edit_FirmwareVer, Form_Main->Edit_MasterID, Form_Main->Edit_BaudRate,
                           Form_Main->Edit_MasterStatus};
  auto look = [&](const QImage& picture) {
    std::vector<Shown> shown;
    for (TEdit* field : fields) {
      auto* edit = WidgetOf<QLineEdit>(field);
      if (!edit) return shown;
      const QPoint inside = edit->mapTo(top, QPoint(edit->width() - 6, edit->height() / 2));
      shown.push_back({edit->text(), picture.pixelColor(inside)});
    }
    return shown;
  };

  // Before the activation: red stars in every field.
  const std::vector<Shown> before = look(top->grab().toImage());
  ASSERT_EQ(before.size(), 4u);
  for (const Shown& s : before) {
    EXPECT_EQ(s.widgetText, "*******");
    EXPECT_EQ(s.inside, QColor(255, 0, 0));
  }

  auto* activate = WidgetOf<QToolButton>(Form_Main->SpeedButton_ActiveBoard);
  ASSERT_TRUE(activate);
  EXPECT_EQ(activate->text(), QString::fromStdString(Form_Main->SpeedButton_ActiveBoard->Caption.Get()));
  {
    // Its caption shows whole, beside or under its picture.
    const QFontMetrics fm(activate->font());
    const int text = fm.horizontalAdvance(activate->text());
    const QSize icon = activate->iconSize();
    if (activate->toolButtonStyle() == Qt::ToolButtonTextUnderIcon) {
      EXPECT_LE(text + 8, activate->width());
      EXPECT_LE(icon.height() + fm.height() + 12, activate->height());
    } else {
      EXPECT_LE(icon.width() + 4 + text + 8, activate->width()) << activate->text().toStdString() << " is cut short";
    }
  }
  QTest::mouseClick(activate, Qt::LeftButton);
  EXPECT_TRUE(WidgetOf(Form_WaitMessage)->isVisible()) << "no wait window during the activation";
  Advance(2500);
  ASSERT_FALSE(Form_WaitMessage->Visible);
  EXPECT_FALSE(WidgetOf(Form_WaitMessage)->isVisible());

  const std::string file = dir.File("kestrum-main.png");
  ASSERT_TRUE(gui::SaveScreenshot(*Form_Main, file));
  const QImage picture(QString::fromStdString(file));
  ASSERT_FALSE(picture.isNull());
  EXPECT_EQ(picture.size(), top->size());

  // The master's readings, each in the tool-tip colour of a good reading.
  const std::vector<Shown> shown = look(picture);
  ASSERT_EQ(shown.size(), 4u);
  const QColor infoColour(255, 255, 225);
  const char* const texts[] = {nullptr, nullptr, nullptr, "OK!"};
  for (std::size_t i = 0; i < shown.size(); ++i) {
    SCOPED_TRACE(std::string(fields[i]->Name));
    EXPECT_EQ(shown[i].widgetText, QString::fromStdString(fields[i]->Text.Get()));
    EXPECT_NE(shown[i].widgetText, "*******");
    if (texts[i]) {
      EXPECT_EQ(shown[i].widgetText, texts[i]);
    }
    EXPECT_EQ(fields[i]->Color(), clInfoBk);
    EXPECT_EQ(shown[i].inside, infoColour);
  }
  // The activation is done: its button and the board selector are greyed,
  // the window takes input again and the configuration page is shown.
  EXPECT_TRUE(top->isEnabled());
  EXPECT_FALSE(activate->isEnabled());
  EXPECT_FALSE(WidgetOf(Form_Main->ComboBox_ActiveBoardNo)->isEnabled());
  EXPECT_EQ(chooserCaption, QString::fromStdString(Form_SelectHardware->Caption.Get()));
}

// Every component of the program's windows is shown by the rendering of a
// class of the window core's registry (whose every class has a rendering of
// its own, see the backend's mirror test), never by the catch-alls for
// windows and components that nobody declared.
TEST_F(KestrumOnScreen, EveryComponentOfTheProgramIsShownByTheRenderingOfARegisteredClass) {
  StartAndChooseThroughQt();
  std::set<std::string> registered;
  for (const ComponentClass& cls : ComponentClasses()) registered.insert(cls.name);
  std::set<std::string> seen;
  std::function<void(plat::Component&)> walk = [&](plat::Component& c) {
    const gui::Rendering* r = gui::RenderingFor(c);
    ASSERT_TRUE(r) << c.ClassName() << " " << std::string(c.Name);
    EXPECT_TRUE(registered.count(r->className)) << c.ClassName() << " " << std::string(c.Name) << " is shown as "
                                               << r->className;
    EXPECT_TRUE(backend->FindView(c.Id())) << std::string(c.Name) << " was not mirrored";
    seen.insert(r->className);
    for (int i = 0; i < c.GetComponentCount(); ++i) walk(*c.Components(i));
  };
  ui.App().Idle();
  for (int i = 0; i < ui.App().GetComponentCount(); ++i) walk(*ui.App().Components(i));
  EXPECT_TRUE(seen.count("TForm") && seen.count("TTreeView") && seen.count("TSpeedButton")) << "the walk missed the forms";
}

// The window backend draws each picture the program names; a name it does
// not know would show as a grey placeholder with the name in it.
TEST(KestrumPictures, EveryPictureTheProgramDeclaresIsDrawnByTheBackend) {
  kestrum::DeclarePictures();
  const std::vector<plat::PictureResource> declared = plat::PictureResources();
  ASSERT_FALSE(declared.empty());
  for (const plat::PictureResource& picture : declared) {
    EXPECT_TRUE(gui::FindPicture(picture.name)) << picture.name << " would be a placeholder";
  }
}

}  // namespace
