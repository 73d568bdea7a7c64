#include "lorvex/web_update_agent.h"

#include <curl/curl.h>

#include <cstdlib>
#include <cstring>
#include <mutex>

#include "lorvex/version_info.h"
#include "platform/program_path.h"

namespace {

constexpr const char* kAgentName = "Orrindale WWW Update Agent 2.2.0.0";

// libcurl's global set-up, once per process (it is not thread-safe itself).
bool CurlReady() {
  static std::once_flag once;
  static bool ready = false;
  std::call_once(once, [] { ready = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK; });
  return ready;
}

// The body as it comes, up to the limit; the rest is not wanted.
struct Download {
  CWebUpdateAgent* agent = nullptr;
  std::string body;
  bool retrieving = false;  // stage 2 announced
  bool full = false;        // the limit was reached: the transfer was ended on purpose
};

std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* user) {
  auto* d = static_cast<Download*>(user);
  if (!d->retrieving) {
    d->retrieving = true;
    d->agent->Notify(2);
  }
  const std::size_t bytes = size * count;
  const std::size_t room = kVersionFileLimit - d->body.size();
  d->body.append(data, std::min(bytes, room));
  if (bytes >= room) {
    d->full = true;
    return bytes == room ? bytes : 0;  // 0 ends the transfer
  }
  return bytes;
}

// The leading number of a part as a 32-bit long reads it: blanks, a sign,
// digits up to the first other character; out of range it stops at the end.
std::int32_t LeadingLong(const char* s) {
  while (*s == ' ' || (*s >= '\t' && *s <= '\r')) ++s;
  bool negative = false;
  if (*s == '+' || *s == '-') negative = *s++ == '-';
  std::int64_t value = 0;
  for (; *s >= '0' && *s <= '9'; ++s) {
    value = value * 10 + (*s - '0');
    if (value > 0x80000000LL) value = 0x80000000LL;
  }
  if (negative) return static_cast<std::int32_t>(-value);
  return value > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<std::int32_t>(value);
}

}  // namespace

std::string VersionFileUrl() {
  std::string server = kUpdateServer;
  if (const char* other = std::getenv(kUpdateServerVariable); other && *other) server = other;
  while (!server.empty() && server.back() == '/') server.pop_back();
  return server + kVersionFilePath;
}

CWebUpdateAgent::CWebUpdateAgent(const char* url, void* module) {
  Init();
  SetURL(url);
  SetVersionModule(module);
  SetProgressCallback(nullptr, nullptr);
}

CWebUpdateAgent::~CWebUpdateAgent() = default;

void CWebUpdateAgent::Init() {
  url_[0] = agent_[0] = ownVersion_[0] = '\0';
  versionModule_ = nullptr;
  versionInfoPresent_ = 0;
  agentToBuild_ = 1;
  lastStatus_ = AgentOk;
  // Cleared as on construction; the other three fields are only valid after a read.
  info_.Download[0] = info_.Info[0] = info_.Version[0] = info_.Size[0] = '\0';
  info_.Title[0] = info_.Date[0] = info_.Details[0] = '\0';
  libraryReady_ = CurlReady();
  if (!libraryReady_) lastStatus_ = AgentNoLibrary;
}

bool CWebUpdateAgent::SetURL(const char* url) {
  if (!url) return false;
  CopyText(url_, sizeof url_, url);
  return true;
}

bool CWebUpdateAgent::SetAgentString(const char* agent) {
  if (!agent) return false;
  CopyText(agent_, sizeof agent_, agent);
  agentToBuild_ = 0;
  return true;
}

bool CWebUpdateAgent::SetVersion(const char* version) {
  if (!version) return false;
  CopyText(ownVersion_, sizeof ownVersion_, version);
  return true;
}

bool CWebUpdateAgent::SetVersionModule(void* module) {
  // A null module is the program itself, as for the library loader, so the
  // own version is read in either case.
  if (module) versionModule_ = module;
  ReadOwnVersion();
  return module != nullptr;
}

void CWebUpdateAgent::ReadOwnVersion() {
  CVersionInfoReader reader;
  if (!reader.LoadFromModule(versionModule_)) return;
  if (const char* v = reader.GetValue("ProductVersion")) SetVersion(v);
}

const char* CWebUpdateAgent::GetVersion() {
  if (ownVersion_[0] == '\0') ReadOwnVersion();
  return ownVersion_;
}

const char* CWebUpdateAgent::GetAgentString() {
  if (agentToBuild_) {
    std::string agent = kAgentName;
    const std::string program = plat::ProgramFile();
    if (const std::size_t slash = program.rfind('/'); slash != std::string::npos) {
      agent += " (" + program.substr(slash + 1) + " " + GetVersion() + ")";
    }
    SetAgentString(agent.c_str());
  }
  return agent_;
}

bool CWebUpdateAgent::SetProgressCallback(ProgressCallback callback, void* user) {
  callback_ = callback;
  callbackUser_ = user;
  return true;
}

void CWebUpdateAgent::Notify(int stage) {
  if (callback_) callback_(stage, callbackUser_);
}

int CWebUpdateAgent::MapInternetError(int curlCode) {
  switch (curlCode) {
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
      lastStatus_ = AgentHostNotFound;
      break;
    case CURLE_OPERATION_TIMEDOUT:
      lastStatus_ = AgentTimeout;
      break;
    case CURLE_URL_MALFORMAT:
    case CURLE_UNSUPPORTED_PROTOCOL:
      lastStatus_ = AgentBadUrl;
      break;
    case CURLE_COULDNT_CONNECT:
      lastStatus_ = AgentCannotConnect;
      break;
    default:
      lastStatus_ = AgentOtherError;
      break;
  }
  return lastStatus_;
}

std::uint32_t CWebUpdateAgent::VersionToNumber(const char* text, const char* separators) {
  if (!text) return 0;
  char copy[300];
  CopyText(copy, sizeof copy, text);
  const std::string_view seps = separators ? separators : "";
  std::uint32_t sum = 0;
  std::uint32_t weight = 10000;
  char* p = copy;
  while (*p) {
    while (*p && seps.find(*p) != std::string_view::npos) ++p;  // empty parts are skipped
    if (!*p) break;
    char* end = p;
    while (*end && seps.find(*end) == std::string_view::npos) ++end;
    const bool last = *end == '\0';
    *end = '\0';
    sum += static_cast<std::uint32_t>(LeadingLong(p)) * weight;
    weight /= 10;
    if (last) break;
    p = end + 1;
  }
  return sum;
}

bool CWebUpdateAgent::IsNewVersionAvailable() {
  const char* own = GetVersion();
  if (own[0] == '\0') return false;  // nothing to compare with
  return VersionToNumber(own, ".") < VersionToNumber(info_.Version, ".");
}

bool CWebUpdateAgent::Run(bool /*mayNotDial*/) {
  lastStatus_ = AgentOk;
  if (!libraryReady_) {
    lastStatus_ = AgentNoLibrary;
    return false;
  }
  Notify(0);
  CURL* curl = curl_easy_init();
  if (!curl) {
    lastStatus_ = AgentNoLibrary;
    return false;
  }
  Notify(1);

  Download download;
  download.agent = this;
  // A fresh copy from the server, never one a proxy kept.
  curl_slist* headers = curl_slist_append(nullptr, "Cache-Control: no-cache");
  headers = curl_slist_append(headers, "Pragma: no-cache");
  curl_easy_setopt(curl, CURLOPT_URL, GetURL());
  curl_easy_setopt(curl, CURLOPT_USERAGENT, GetAgentString());
  curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
  // Only web addresses, also after a redirection; the proxy comes from
  // http_proxy, https_proxy and no_proxy as libcurl reads them.
  curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 5L);
  // An error page is no version file.
  curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L);
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, connectTimeoutMs_);
  curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, totalTimeoutMs_);
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &OnBody);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &download);

  const CURLcode code = curl_easy_perform(curl);
  curl_slist_free_all(headers);
  curl_easy_cleanup(curl);

  // Reaching the limit ends the transfer on purpose: what was read counts.
  if (code != CURLE_OK && !(download.full && code == CURLE_WRITE_ERROR)) {
    MapInternetError(code);
    return false;
  }
  if (!download.retrieving) Notify(2);  // an empty file
  Notify(3);
  ReadVersionFile(download.body, info_);
  versionInfoPresent_ = 1;
  return true;
}
