#include "platform/testing/loaders.h"

#include <dlfcn.h>
#include <sys/stat.h>

namespace plat::testing {

DirectoryLoader::DirectoryLoader(std::string directory) : directory_(std::move(directory)) {
  if (!directory_.empty() && directory_.back() != '/') directory_ += '/';
}

ModuleHandle DirectoryLoader::Load(const std::string& file_name) {
  if (file_name.empty() || file_name.find('/') != std::string::npos) return nullptr;
  const std::string path = directory_ + file_name;
  struct stat st {};
  if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return nullptr;
  return dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
}

ProcAddress DirectoryLoader::Symbol(ModuleHandle module, const std::string& entry_name) {
  return module == nullptr ? nullptr : dlsym(module, entry_name.c_str());
}

void OverridingLoader::Override(const std::string& entry_name, ProcAddress address) {
  std::lock_guard lock(mutex_);
  overrides_[entry_name] = address;
}

ModuleHandle OverridingLoader::Load(const std::string& file_name) { return SystemLoader().Load(file_name); }

ProcAddress OverridingLoader::Symbol(ModuleHandle module, const std::string& entry_name) {
  {
    std::lock_guard lock(mutex_);
    auto it = overrides_.find(entry_name);
    if (it != overrides_.end()) return module ? it->second : nullptr;
  }
  return SystemLoader().Symbol(module, entry_name);
}

FakeLoader::FakeLoader() = default;
FakeLoader::~FakeLoader() = default;

void FakeLoader::AddLibrary(const std::string& file_name) {
  std::lock_guard lock(mutex_);
  auto& library = libraries_[file_name];
  if (!library) library = std::make_unique<Library>();
}

ProcAddress FakeLoader::AddEntry(const std::string& file_name, const std::string& entry_name,
                                 ProcAddress address) {
  AddLibrary(file_name);
  std::lock_guard lock(mutex_);
  if (address == nullptr) {
    stand_ins_.emplace_back('\0');
    address = &stand_ins_.back();
  }
  libraries_[file_name]->entries[entry_name] = address;
  return address;
}

void FakeLoader::RemoveEntry(const std::string& file_name, const std::string& entry_name) {
  std::lock_guard lock(mutex_);
  auto it = libraries_.find(file_name);
  if (it != libraries_.end()) it->second->entries.erase(entry_name);
}

ProcAddress FakeLoader::AddressOf(const std::string& file_name, const std::string& entry_name) const {
  std::lock_guard lock(mutex_);
  auto it = libraries_.find(file_name);
  if (it == libraries_.end()) return nullptr;
  auto entry = it->second->entries.find(entry_name);
  return entry == it->second->entries.end() ? nullptr : entry->second;
}

std::vector<FakeLoader::Call> FakeLoader::Calls() const {
  std::lock_guard lock(mutex_);
  return calls_;
}

std::vector<std::string> FakeLoader::NamesOf(Call::Kind kind) const {
  std::lock_guard lock(mutex_);
  std::vector<std::string> names;
  for (const Call& call : calls_) {
    if (call.kind == kind) names.push_back(call.name);
  }
  return names;
}

std::vector<std::string> FakeLoader::LoadedFiles() const { return NamesOf(Call::Kind::Load); }
std::vector<std::string> FakeLoader::LookedUpEntries() const { return NamesOf(Call::Kind::Symbol); }

void FakeLoader::ClearCalls() {
  std::lock_guard lock(mutex_);
  calls_.clear();
}

ModuleHandle FakeLoader::Load(const std::string& file_name) {
  std::lock_guard lock(mutex_);
  calls_.push_back({Call::Kind::Load, file_name});
  auto it = libraries_.find(file_name);
  return it == libraries_.end() ? nullptr : it->second.get();
}

ProcAddress FakeLoader::Symbol(ModuleHandle module, const std::string& entry_name) {
  std::lock_guard lock(mutex_);
  calls_.push_back({Call::Kind::Symbol, entry_name});
  for (const auto& [name, library] : libraries_) {
    if (library.get() != module) continue;
    auto entry = library->entries.find(entry_name);
    return entry == library->entries.end() ? nullptr : entry->second;
  }
  return nullptr;
}

}  // namespace plat::testing
