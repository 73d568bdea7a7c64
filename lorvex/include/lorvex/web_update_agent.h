#pragma once
// Asks the product's web server whether a newer release of the viewer
// exists: fetches the small version-information file over HTTP (libcurl) and
// compares its version with the viewer's own.
//
// The version-information file is a profile (INI) file with one section
// "VERSIONINFO" and the keys TITLE, DOWNLOAD, INFO, VERSION, SIZE, DATE and
// DETAILS. Only the first kVersionFileLimit bytes of the answer are read, of
// those only the bytes before the first NUL are used, and the file is parsed
// in memory (never written anywhere).

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// The fields of the version-information file; each a NUL-terminated text cut
// to its buffer.
struct WebVersionInfo {
  char Download[2084];
  char Info[2084];
  char Version[300];
  char Title[200];
  char Size[100];
  char Date[20];
  char Details[1000];
};

// How much of the answer is read.
inline constexpr std::size_t kVersionFileLimit = 6768;

// Reads the seven keys of section "VERSIONINFO" from the first
// kVersionFileLimit bytes of body (up to the first NUL) into info; a missing
// key gives an empty text.
void ReadVersionFile(std::string_view body, WebVersionInfo& info);

// Copies text into a buffer of `size` bytes, cut to size - 1 and NUL-terminated.
void CopyText(char* buffer, std::size_t size, std::string_view text);

// The last status of an agent.
enum AgentStatus : int {
  AgentOk = 0,
  AgentNoLibrary = 1,      // the HTTP library could not be set up
  AgentNoEntry = 2,        // (cannot occur: the library is linked in)
  AgentNotConnected = 3,   // (cannot occur: no connected state to ask on this system)
  AgentConnectionLost = 4, // (cannot occur: no dialling on this system)
  AgentHostNotFound = 5,
  AgentTimeout = 6,
  AgentBadUrl = 7,
  AgentCannotConnect = 8,
  AgentOtherError = 9,
};

// The server that holds the version file: the suite's own unless the
// environment variable names another ("http://mirror.example:8080").
inline constexpr const char* kUpdateServer = "http://www.orrindale.example";
inline constexpr const char* kUpdateServerVariable = "LORVEX_UPDATE_SERVER";
inline constexpr const char* kVersionFilePath = "/versioninfo/lorvex.verinfo";
// The address of the version file, from the environment as it is now.
std::string VersionFileUrl();

class CWebUpdateAgent {
 public:
  // stage (0 connecting, 1 initiating, 2 retrieving, 3 analysing), user value.
  using ProgressCallback = bool (*)(int stage, void* user);

  CWebUpdateAgent(const char* url, void* module);
  virtual ~CWebUpdateAgent();
  CWebUpdateAgent(const CWebUpdateAgent&) = delete;
  CWebUpdateAgent& operator=(const CWebUpdateAgent&) = delete;

  virtual bool HasVersionInfo() const { return versionInfoPresent_ != 0; }
  // The own version is older than VERSION (both by VersionToNumber). An own
  // version that could not be read is older than nothing.
  virtual bool IsNewVersionAvailable();
  virtual bool SetVersion(const char* version);
  // Stores a non-null module; the own version is then the "ProductVersion"
  // of the module stored (null: the program itself).
  virtual bool SetVersionModule(void* module);
  virtual bool SetAgentString(const char* agent);
  // "Orrindale WWW Update Agent 2.2.0.0 (<program file> <own version>)",
  // built on the first call after Init.
  virtual const char* GetAgentString();
  virtual bool SetURL(const char* url);
  virtual const char* GetURL() const { return url_; }
  virtual bool SetProgressCallback(ProgressCallback callback, void* user);
  virtual int GetStepCount() const { return 3; }
  virtual int GetLastStatus() const { return lastStatus_; }
  virtual void Init();
  // The status for a libcurl result.
  virtual int MapInternetError(int curlCode);
  virtual void SetLastStatus(int status) { lastStatus_ = status; }
  // Parts separated by any of `separators`, weighted 10000, 1000, 100, 10, 1
  // (later parts 0), each read as a 32-bit long reads its leading number;
  // the sum is taken modulo 2^32.
  virtual std::uint32_t VersionToNumber(const char* text, const char* separators);

  // Fetches the version file; true when it was read. mayNotDial has no
  // meaning here (there is no dialling).
  bool Run(bool mayNotDial);
  void Notify(int stage);
  // The own version; read again from the module when it is empty.
  const char* GetVersion();
  void GetVersionInfo(WebVersionInfo& info) const { info = info_; }

  // How long a check may take: to connect, and in all. The defaults keep the
  // viewer from waiting for ever on a server that never answers.
  void SetTimeouts(long connectMs, long totalMs) {
    connectTimeoutMs_ = connectMs;
    totalTimeoutMs_ = totalMs;
  }
  static constexpr long kConnectTimeoutMs = 10000;
  static constexpr long kTotalTimeoutMs = 30000;

 private:
  void ReadOwnVersion();
  char url_[2084];
  char agent_[2084];
  char ownVersion_[300];
  void* versionModule_ = nullptr;
  std::uint8_t versionInfoPresent_ = 0;
  WebVersionInfo info_;
  ProgressCallback callback_ = nullptr;
  void* callbackUser_ = nullptr;
  int lastStatus_ = AgentOk;
  std::uint8_t agentToBuild_ = 1;
  bool libraryReady_ = false;
  long connectTimeoutMs_ = kConnectTimeoutMs;
  long totalTimeoutMs_ = kTotalTimeoutMs;
};
