#include "lorvex/version_info.h"

#include <cerrno>
#include <cstring>

#include "platform/format.h"
#include "platform/program_path.h"

// ---------------------------------------------------------------- CVersionInfoReader
bool CVersionInfoReader::LoadFromModule(void* module) { return LoadFromFile(plat::ModuleFileName(module)); }

bool CVersionInfoReader::LoadFromFile(const std::string& fileName) {
  data_.clear();
  query_.clear();
  prefixEnd_ = 0;
  fixed_ = {};
  codePage_ = 0x04E4;
  // Without a translation table the lookups go to US English, code page 1252.
  language_ = 0x0409;

  std::optional<std::vector<std::uint8_t>> block = plat::ReadVersionBlock(fileName);
  if (!block) return false;
  const auto root = plat::QueryVersionValue(*block, "\\");
  if (!root || root->size() < sizeof(plat::FixedFileInfo)) return false;
  data_ = std::move(*block);
  std::memcpy(&fixed_, plat::QueryVersionValue(data_, "\\")->data(), sizeof fixed_);

  if (const auto t = plat::QueryVersionValue(data_, "\\VarFileInfo\\Translation"); t && t->size() >= 4) {
    const auto* p = t->data();
    language_ = static_cast<std::uint16_t>(p[0] | (p[1] << 8));
    codePage_ = static_cast<std::uint16_t>(p[2] | (p[3] << 8));
  }
  query_ = plat::Format("\\StringFileInfo\\%04x%04x\\", static_cast<unsigned>(language_), static_cast<unsigned>(codePage_));
  prefixEnd_ = query_.size();
  return fixed_.dwSignature == plat::kVersionSignature;
}

const char* CVersionInfoReader::GetValue(const std::string& name) {
  if (data_.empty()) return nullptr;
  if (prefixEnd_ + name.size() > kQueryCapacity) return nullptr;
  query_.resize(prefixEnd_);
  query_ += name;
  const auto value = plat::QueryVersionValue(data_, query_);
  query_.resize(prefixEnd_);
  if (!value) return nullptr;
  // Only a text that ends inside its value is handed out.
  const auto text = plat::VersionValueText(*value);
  return text ? text->data() : nullptr;
}

// ---------------------------------------------------------------- CRegistryKey
namespace {
const RegistryKeyHandle kCurrentUserRoot{plat::RegistryRoot::kCurrentUser, "", KEY_ALL_ACCESS};
}  // namespace

const HKEY HKEY_CURRENT_USER = &kCurrentUserRoot;

CRegistryKey::CRegistryKey(HKEY root, const char* subKey, bool create, std::uint32_t access) {
  Open(root, subKey, create, access);
}

CRegistryKey::~CRegistryKey() { Close(); }

bool CRegistryKey::Open(HKEY root, const char* subKey, bool create, std::uint32_t access) {
  if (key_ && root != key_.get()) Close();
  // The key open now; a sub-key opened relative to it replaces it.
  std::unique_ptr<RegistryKeyHandle> previous = std::move(key_);
  if (!subKey || !root) {
    key_ = std::move(previous);
    return false;
  }
  std::string clean(subKey);
  clean.erase(0, clean.find_first_not_of('\\') == std::string::npos ? clean.size() : clean.find_first_not_of('\\'));
  if (!clean.empty() && clean.back() == '\\') clean.pop_back();

  const std::string full = root->path.empty() ? clean : clean.empty() ? root->path : root->path + "\\" + clean;
  // root may be the key open now, which goes below: take what is needed first.
  const plat::RegistryRoot rootKind = root->root;
  plat::Registry store(rootKind);
  int result = 0;
  if (full.empty()) {
    result = 0;  // the root itself
  } else if (create) {
    result = store.CreateKey(full);
  } else {
    result = store.KeyExists(full) ? 0 : ENOENT;
  }
  previous.reset();
  result_ = result;
  if (result != 0) return false;
  key_ = std::make_unique<RegistryKeyHandle>(RegistryKeyHandle{rootKind, full, access});
  path_ = clean;
  return true;
}

bool CRegistryKey::WriteString(const char* name, const char* text) {
  if (!key_ || !text) return false;
  if ((key_->access & KEY_SET_VALUE) == 0) {
    result_ = EACCES;
  } else {
    result_ = plat::Registry(key_->root).WriteString(key_->path, name ? name : "", text);
  }
  return result_ == 0;
}

bool CRegistryKey::Close() {
  if (!key_) return false;
  key_.reset();
  path_.clear();
  result_ = 0;
  return true;
}

// ---------------------------------------------------------------- registration
bool RegisterInstalledComponent(const char* component, const char* description, const char* path) {
  const std::string program = path ? std::string(path) : plat::ProgramFile();
  const std::string keyPath = std::string(kInstalledComponentsKey) + (component ? component : "");
  CRegistryKey key(HKEY_CURRENT_USER, keyPath.c_str(), true, KEY_ALL_ACCESS);
  if (key.IsOpen()) {
    key.WriteString("Path", program.c_str());
    if (description) key.WriteString("Info", description);
  }
  return true;
}
