// The viewer's option dialogs as a person sees them through the Qt backend
// (Qt's offscreen platform): each control in the place the template gives,
// its caption whole within it, and the person's clicks through Qt's own
// widgets reaching the settings.
#include <QCheckBox>
#include <QFontMetrics>
#include <QListWidget>
#include <QPushButton>
#include <QTabBar>
#include <QTimer>

#include <functional>
#include <optional>

#include "gui/frame_rendering.h"
#include "lorvex/dlg_info.h"
#include "lorvex/lorvex_app.h"
#include "lorvex/main_frame.h"
#include "lorvex/option_dialogs.h"
#include "lorvex/resource.h"
#include "platform/ui/dib.h"
#include "qt_viewer.h"

namespace {

QString Plain(const std::string& caption) {
  QString out;
  const QString text = QString::fromStdString(caption);
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i] == '&' && i + 1 < text.size()) ++i;
    out += text[i];
  }
  return out;
}

class ViewerDialogs : public QtViewer {
 protected:
  void SetUp() override {
    QtViewer::SetUp();
    if (HasFatalFailure()) return;
    Flush();
  }
  void TearDown() override {
    backend->beforeBlocking = nullptr;
    QtViewer::TearDown();
  }

  // Runs the command; while its dialog is open each step runs in turn (a
  // turn of the loop between them, so Qt shows what the last one did).
  void WhileOpen(afx::UINT command, std::vector<std::function<void(afx::CWnd&)>> steps) {
    std::size_t next = 0;
    int waits = 0;
    backend->beforeBlocking = [&] {
      auto* dialog = dynamic_cast<afx::CWnd*>(ui.App().ModalWindow());
      if (!dialog) return;
      if (++waits > 200) {
        ADD_FAILURE() << "the dialog stayed open";
        backend->beforeBlocking = nullptr;
        QTimer::singleShot(0, [dialog] { afx::person::Close(dialog); });
        return;
      }
      if (next < steps.size()) {
        auto step = steps[next++];
        // From Qt's own loop, as a person's event would come.
        QTimer::singleShot(0, [step, dialog] { step(*dialog); });
      }
    };
    frame->SendMessage(afx::WM_COMMAND, command);
    backend->beforeBlocking = nullptr;
    EXPECT_EQ(next, steps.size()) << "the dialog closed before every step ran";
  }

  // Every control of the window lies where the core has it, inside its
  // window, and shows its whole caption.
  void CheckControls(afx::CWnd& window) {
    QWidget* box = WidgetOf(&window);
    ASSERT_TRUE(box);
    for (int i = 0; i < window.GetControlCount(); ++i) {
      auto* control = dynamic_cast<afx::CWnd*>(window.Controls(i));
      if (!control || !control->IsWindowVisible()) continue;
      QWidget* w = WidgetOf(control);
      ASSERT_TRUE(w) << control->GetDlgCtrlID();
      const std::string what = control->GetWindowClass() + " " + control->GetWindowText();
      EXPECT_TRUE(w->isVisible()) << what;
      EXPECT_EQ(w->geometry(), QRect(control->Left, control->Top, control->Width, control->Height)) << what;
      EXPECT_TRUE(QRect(QPoint(0, 0), box->size()).contains(w->geometry())) << what << " leaves its window";
      const QFontMetrics fm(w->font());
      const QString text = Plain(control->GetWindowText());
      if (auto* button = qobject_cast<QPushButton*>(w)) {
        EXPECT_EQ(button->text(), QString::fromStdString(control->GetWindowText()));
        EXPECT_LE(fm.horizontalAdvance(text) + 8, w->width()) << what << " is cut";
        EXPECT_LE(fm.height() + 4, w->height()) << what;
      } else if (auto* check = qobject_cast<QCheckBox*>(w)) {
        EXPECT_EQ(check->text(), QString::fromStdString(control->GetWindowText()));
        EXPECT_LE(check->sizeHint().width(), w->width()) << what << " is cut";
        EXPECT_LE(fm.height(), w->height()) << what;
      } else if (auto* s = dynamic_cast<afx::CStatic*>(control); s && s->Kind() == afx::SS_LEFT && !text.isEmpty()) {
        const QRect need = fm.boundingRect(QRect(0, 0, w->width(), 10000), Qt::TextWordWrap, text);
        EXPECT_LE(need.width(), w->width()) << what << " is cut";
        EXPECT_LE(need.height(), w->height()) << what << " is cut";
      }
    }
  }

  template <class W>
  W* Widget(afx::CWnd& dialog, afx::UINT id) {
    afx::CWnd* control = dialog.GetDlgItem(id);
    EXPECT_TRUE(control) << id;
    return control ? qobject_cast<W*>(WidgetOf(control)) : nullptr;
  }

};

TEST_F(ViewerDialogs, TheDisplaySelectionShowsItsControlsAndTakesTheTicksOnOk) {
  WhileOpen(ID_DISPLAY_SELECTION,
            {[&](afx::CWnd& dialog) {
               QWidget* top = WidgetOf(&dialog);
               ASSERT_TRUE(top);
               EXPECT_TRUE(top->isWindow());
               EXPECT_EQ(top->windowTitle(), "Ausgabe von...");
               EXPECT_EQ(top->windowModality(), Qt::ApplicationModal);
               CheckControls(dialog);
               auto* list = Widget<QListWidget>(dialog, IDC_ID_LIST);
               ASSERT_TRUE(list);
               ASSERT_EQ(list->count(), 30);
               EXPECT_EQ(list->item(0)->text(), "ID 01");
               EXPECT_EQ(list->item(29)->text(), "ID 30");
               EXPECT_EQ(list->item(1)->checkState(), Qt::Checked);
               list->item(1)->setCheckState(Qt::Unchecked);  // as the person's click on its box
             },
             [&](afx::CWnd& dialog) {
               EXPECT_EQ(dynamic_cast<CDlgAnzeige&>(dialog).m_CheckList.GetCheck(1), 0);
               Widget<QPushButton>(dialog, afx::IDOK)->click();
             }});
  EXPECT_EQ(app->Channel(2).Visible, 0);
  EXPECT_EQ(app->Channel(1).Visible, 1);
}

TEST_F(ViewerDialogs, TheOptionSheetShowsEachPageWithItsControlsAndCancelKeepsTheSettings) {
  auto tab = [&](afx::CWnd& sheet) {
    return qobject_cast<QTabBar*>(
        WidgetOf(static_cast<afx::CPropertySheet&>(sheet).GetTabControl())->findChild<QTabBar*>());
  };
  auto page = [](afx::CWnd& sheet, int index) -> afx::CWnd& {
    return *static_cast<afx::CPropertySheet&>(sheet).GetPage(index);
  };
  WhileOpen(ID_OPTIONS,
            {[&](afx::CWnd& sheet) {
               QWidget* top = WidgetOf(&sheet);
               EXPECT_EQ(top->windowTitle(), "Optionen...");
               CheckControls(sheet);
               QTabBar* bar = tab(sheet);
               ASSERT_TRUE(bar);
               ASSERT_EQ(bar->count(), 3);
               EXPECT_EQ(bar->tabText(0), "Spalten");
               EXPECT_EQ(bar->tabText(1), "Farben");
               EXPECT_EQ(bar->tabText(2), "Ausgabemedium");
               EXPECT_FALSE(Widget<QPushButton>(sheet, afx::ID_APPLY_NOW)->isEnabled());
               EXPECT_EQ(Widget<QPushButton>(sheet, afx::ID_APPLY_NOW)->text(), "\xc3\x9c" "&bernehmen");
               CheckControls(page(sheet, 0));
               Widget<QCheckBox>(page(sheet, 0), IDC_DATUM)->click();
               bar->setCurrentIndex(1);
             },
             [&](afx::CWnd& sheet) {
               EXPECT_FALSE(WidgetOf(&page(sheet, 0))->isVisible());
               EXPECT_TRUE(WidgetOf(&page(sheet, 1))->isVisible());
               CheckControls(page(sheet, 1));
               EXPECT_EQ(Widget<QListWidget>(page(sheet, 1), IDC_ID_LIST)->currentRow(), 0);
               Widget<QListWidget>(page(sheet, 1), IDC_ID_LIST)->setCurrentRow(4);
               tab(sheet)->setCurrentIndex(2);
             },
             [&](afx::CWnd& sheet) {
               afx::CWnd& media = page(sheet, 2);
               CheckControls(media);
               EXPECT_FALSE(Widget<QCheckBox>(media, IDC_DRUCKER)->isEnabled());
               EXPECT_FALSE(WidgetOf(media.GetDlgItem(IDC_FILE))->isEnabled());
               Widget<QCheckBox>(media, IDC_DATEI)->click();
             },
             [&](afx::CWnd& sheet) {
               EXPECT_TRUE(WidgetOf(page(sheet, 2).GetDlgItem(IDC_FILE))->isEnabled());
               Widget<QPushButton>(sheet, afx::IDCANCEL)->click();
             }});
  EXPECT_EQ(app->Datum, 1);
  EXPECT_EQ(app->Channel(1).Medium, 1u);
}

}  // namespace

namespace {

TEST_F(ViewerDialogs, TheInfoDialogShowsItsBannerAndTheLinkInItsColour) {
  WhileOpen(afx::ID_APP_ABOUT,
            {[&](afx::CWnd& dialog) {
               QWidget* top = WidgetOf(&dialog);
               ASSERT_TRUE(top);
               EXPECT_EQ(top->windowTitle(), "Info \xc3\xbc" "ber Lorvex ");
               CheckControls(dialog);
               // The banner is the embedded bitmap, pixel for pixel, inside the sunken edge.
               QWidget* banner = WidgetOf(dialog.GetDlgItem(IDB_INFO));
               ASSERT_TRUE(banner);
               const QImage shown = banner->grab().toImage();
               const plat::Dib dib = plat::ReadDib(plat::FindDibResource("LORVEX_BITMAP_136"));
               for (auto [x, y] : {std::pair{20, 20}, {200, 60}, {dib.width - 5, dib.height - 5}}) {
                 const std::uint32_t c = dib.At(x, y);
                 EXPECT_EQ(shown.pixelColor(x + 1, y + 1), QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF)) << x;
               }
               // The link: blue text, the address as its tool tip, the hand over it.
               auto& link = dynamic_cast<CDlgInfo&>(dialog).m_Link;
               QWidget* linkWidget = WidgetOf(&link);
               ASSERT_TRUE(linkWidget);
               EXPECT_EQ(linkWidget->toolTip(), kLorvexHomepage);
               const QImage text = linkWidget->grab().toImage();
               int blue = 0;
               for (int y = 0; y < text.height(); ++y) {
                 for (int x = 0; x < text.width(); ++x) {
                   const QColor c = text.pixelColor(x, y);
                   blue += c.blue() > 150 && c.red() < 100 && c.green() < 100;
                 }
               }
               EXPECT_GT(blue, 20);
               afx::person::Mouse(&link, afx::WM_MOUSEMOVE, 2, 2);
             },
             [&](afx::CWnd& dialog) {
               auto& link = dynamic_cast<CDlgInfo&>(dialog).m_Link;
               EXPECT_EQ(WidgetOf(&link)->cursor().shape(), Qt::PointingHandCursor);
               Widget<QPushButton>(dialog, afx::IDOK)->click();
             }});
}

}  // namespace
