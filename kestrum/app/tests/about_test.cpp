// The about box: the slide show that runs from start-up across showings, the
// links and the OK button.

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "kestrum/app/about.h"
#include "kestrum/app/testing/kestrum_test.h"
#include "platform/shell.h"

namespace {

using namespace vcl;
using namespace kestrum::testing;

class AboutBox : public KestrumTest {
 protected:
  AboutBox() : opener_([this](const std::string& address) {
    opened.push_back(address);
    return answer;
  }) {}

  // The product pictures shown now, by number.
  static std::vector<int> Shown() {
    std::vector<int> shown;
    for (int n = 1; n <= 10; ++n) {
      if (Form_About->ProductImage(n)->Visible) shown.push_back(n);
    }
    return shown;
  }
  static void ShowBox(std::function<void(TForm&)> while_open) {
    ExpectModal("Form_About", std::move(while_open));
    ChooseMenu(Form_Main->Menu_About);
  }

  std::vector<std::string> opened;
  int answer = plat::kShellStarted;

 private:
  plat::ScopedAddressOpener opener_;
};

TEST_F(AboutBox, ThePicturesLieInOnePlaceWithTheFirstOnTop) {
  StartKestrum(1);
  for (int n = 1; n <= 10; ++n) {
    EXPECT_EQ(Form_About->ProductImage(n)->Left(), 44) << n;
    EXPECT_EQ(Form_About->ProductImage(n)->Top(), 108) << n;
  }
  ShowBox([](TForm&) {
    EXPECT_THAT(Shown(), ElementsAre(1)) << "within the first three seconds";
    Advance(2999);
    EXPECT_THAT(Shown(), ElementsAre(1));
    Click(Form_About->Button_OK);
  });
  EXPECT_FALSE(Form_About->Visible);
}

TEST_F(AboutBox, TheSlidesGoOnAcrossShowingsInTheirOrder) {
  StartKestrum(1);
  std::vector<int> slides;
  auto tick = [&] {
    Advance(3000);
    ASSERT_EQ(Shown().size(), 1u);
    slides.push_back(Shown()[0]);
  };
  tick();  // hidden
  ShowBox([&](TForm&) {
    tick();
    tick();
    Click(Form_About->Button_OK);
  });
  tick();
  tick();
  ShowBox([&](TForm& about) {
    EXPECT_THAT(Shown(), ElementsAre(slides.back())) << "the box shows where the cycle stands";
    for (int i = 0; i < 6; ++i) tick();
    CloseByWindowManager(&about);
  });
  EXPECT_THAT(slides, ElementsAre(3, 1, 4, 2, 5, 6, 7, 8, 9, 10, 3));
}

TEST_F(AboutBox, EveryLinkOpensItsAddressAndAFailureIsNotReported) {
  StartKestrum(1);
  answer = plat::kShellNoAssociation;  // no browser, no mail program: the box says nothing
  ShowBox([&](TForm&) {
    Click(Form_About->SpeedButton_WebSite);
    Click(Form_About->SpeedButton_Mail);
    Click(Form_About->SpeedButton_DeviceNetIntroduction);
    for (int slide = 0; slide < 10; ++slide) {
      Advance(3000);
      Click(Form_About->ProductImage(Shown()[0]));
    }
    // A hidden picture cannot be clicked.
    EXPECT_NE(vcl::person::Click(Form_About->ProductImage(Shown()[0] == 1 ? 2 : 1)), "");
    Click(Form_About->Button_OK);
  });
  std::vector<std::string> expected = {"https://www.brantel.example/", "mailto:service@brantel.example",
                                       "https://www.brantel.example/devicenet/introduction"};
  for (int n : {3, 1, 4, 2, 5, 6, 7, 8, 9, 10}) expected.push_back(TForm_About::ProductPage(n));
  EXPECT_EQ(opened, expected);
  // Each product picture has a page of its own.
  std::set<std::string> pages(opened.begin() + 3, opened.end());
  EXPECT_EQ(pages.size(), 10u);
  for (const std::string& page : pages) EXPECT_TRUE(page.starts_with("https://www.brantel.example/products/"));
}

}  // namespace
