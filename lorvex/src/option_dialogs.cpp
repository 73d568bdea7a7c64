#include "lorvex/option_dialogs.h"

#include "platform/ui/application.h"

namespace {

// STAND-IN until the option dialogs exist: both end as if cancelled.
class CancellingDialogs : public IOptionDialogs {
 public:
  int RunDisplaySelection(CLorvexApp&) override { return plat::IDCANCEL; }
  int RunOptionSheet(const std::string&, int, OptionSheetPages&) override { return plat::IDCANCEL; }
};

IOptionDialogs* gDialogs = nullptr;

}  // namespace

IOptionDialogs& OptionDialogs() {
  static CancellingDialogs standIn;
  return gDialogs ? *gDialogs : standIn;
}

void SetOptionDialogs(IOptionDialogs* dialogs) { gDialogs = dialogs; }
