// Automation on the session D-Bus with libdbus, dispatched by the window
// loop (the connection's descriptor is an fd watch of the application).
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/afx/app.h"
#include "platform/afx/automation.h"
#include "platform/file_io.h"
#include "platform/program_path.h"

// Last: libdbus defines TRUE and FALSE as macros.
#include <dbus/dbus.h>

namespace afx {

namespace {

std::vector<COleObjectFactory*>& Factories() {
  static auto* list = new std::vector<COleObjectFactory*>;
  return *list;
}

const char* const kIntrospectable = "org.freedesktop.DBus.Introspectable";

const char* Signature(VarType t) {
  switch (t) {
    case VarType::kBool: return "b";
    case VarType::kI4: return "i";
    case VarType::kBstr: return "s";
    case VarType::kEmpty: break;
  }
  return "";
}

std::string XmlEscape(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

const std::string kIntrospectInterface =
    "  <interface name=\"org.freedesktop.DBus.Introspectable\">\n"
    "    <method name=\"Introspect\"><arg name=\"xml_data\" type=\"s\" direction=\"out\"/></method>\n"
    "  </interface>\n";

// Sends an answer or an error; the message stays the caller's.
void Reply(DBusConnection* conn, DBusMessage* reply) {
  if (!reply) return;
  dbus_connection_send(conn, reply, nullptr);
  dbus_message_unref(reply);
}

void ReplyError(DBusConnection* conn, DBusMessage* call, const std::string& name, const std::string& text) {
  Reply(conn, dbus_message_new_error(call, name.c_str(), text.c_str()));
}

void ReplyText(DBusConnection* conn, DBusMessage* call, const std::string& text) {
  DBusMessage* reply = dbus_message_new_method_return(call);
  const char* p = text.c_str();
  dbus_message_append_args(reply, DBUS_TYPE_STRING, &p, DBUS_TYPE_INVALID);
  Reply(conn, reply);
}

// The words of an Exec line, quoted for the service file's shell-like parser.
std::string QuoteWord(const std::string& word) {
  const bool plain = !word.empty() && std::all_of(word.begin(), word.end(), [](char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || std::strchr("/._+-=:@%", c);
  });
  if (plain) return word;
  std::string out = "'";
  for (char c : word) {
    if (c == '\'') out += "'\\''";
    else out += c;
  }
  return out + "'";
}

std::string DataHome() {
  const char* xdg = std::getenv("XDG_DATA_HOME");
  if (xdg && xdg[0] == '/') return xdg;
  const char* home = std::getenv("HOME");
  if (home && home[0] == '/') return std::string(home) + "/.local/share";
  return {};
}

int MakeDirs(const std::string& path) {
  for (std::size_t i = 1; i <= path.size(); ++i) {
    if (i < path.size() && path[i] != '/') continue;
    const std::string part = path.substr(0, i);
    if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return errno;
  }
  return 0;
}

}  // namespace

// ---------------------------------------------------------------- the connection
class AutomationBus {
 public:
  static AutomationBus* Current() { return current_; }

  static AutomationBus* Open() {
    if (current_) return current_;
    DBusError err;
    dbus_error_init(&err);
    // Started by the bus for a client: answer on that bus. The address is
    // read anew at every opening: the library's own lookup keeps the first
    // one it saw for the process's life, and a later bus would never be found.
    const char* starter = std::getenv("DBUS_STARTER_ADDRESS");
    const char* session = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    const char* address = starter && *starter ? starter : session;
    DBusConnection* conn = nullptr;
    if (address && *address) {
      conn = dbus_connection_open_private(address, &err);
      if (conn && !dbus_bus_register(conn, &err)) {
        dbus_connection_close(conn);
        dbus_connection_unref(conn);
        conn = nullptr;
      }
    } else {
      // No address given: the library's default session bus.
      conn = dbus_bus_get_private(DBUS_BUS_SESSION, &err);
    }
    if (!conn) {
      dbus_error_free(&err);
      return nullptr;
    }
    dbus_connection_set_exit_on_disconnect(conn, 0);
    dbus_bus_add_match(conn,
                       "type='signal',sender='org.freedesktop.DBus',interface='org.freedesktop.DBus',"
                       "member='NameOwnerChanged'",
                       &err);
    if (dbus_error_is_set(&err)) {
      dbus_error_free(&err);
      dbus_connection_close(conn);
      dbus_connection_unref(conn);
      return nullptr;
    }
    current_ = new AutomationBus(conn);
    return current_;
  }

  static void Close() {
    delete current_;
    current_ = nullptr;
  }

  std::string UniqueName() const {
    const char* name = dbus_bus_get_unique_name(conn_);
    return name ? name : "";
  }

  int Fd() const {
    int fd = -1;
    return dbus_connection_get_unix_fd(conn_, &fd) ? fd : -1;
  }

  bool OwnName(COleObjectFactory& f) {
    DBusError err;
    dbus_error_init(&err);
    const int r = dbus_bus_request_name(conn_, f.GetProgID().c_str(), DBUS_NAME_FLAG_DO_NOT_QUEUE, &err);
    dbus_error_free(&err);
    if (r != DBUS_REQUEST_NAME_REPLY_PRIMARY_OWNER && r != DBUS_REQUEST_NAME_REPLY_ALREADY_OWNER) return false;
    static const DBusObjectPathVTable vtable{nullptr, &AutomationBus::FactoryMessage, nullptr,
                                              nullptr, nullptr, nullptr};
    const std::string path = f.FactoryPath();
    if (!dbus_connection_register_object_path(conn_, path.c_str(), &vtable, &f)) {
      GiveUpName(f, true);
      return false;
    }
    return true;
  }

  // wait: whether to wait for the bus's answer (not while answering a client).
  void GiveUpName(COleObjectFactory& f, bool wait) {
    if (wait) {
      DBusError err;
      dbus_error_init(&err);
      dbus_bus_release_name(conn_, f.GetProgID().c_str(), &err);
      dbus_error_free(&err);
      return;
    }
    DBusMessage* m = dbus_message_new_method_call("org.freedesktop.DBus", "/org/freedesktop/DBus",
                                                  "org.freedesktop.DBus", "ReleaseName");
    const char* name = f.GetProgID().c_str();
    dbus_message_append_args(m, DBUS_TYPE_STRING, &name, DBUS_TYPE_INVALID);
    dbus_message_set_no_reply(m, 1);
    dbus_connection_send(conn_, m, nullptr);
    dbus_message_unref(m);
  }

  void Revoke(COleObjectFactory& f) {
    dbus_connection_unregister_object_path(conn_, f.FactoryPath().c_str());
    if (!f.used_ || !f.IsMultiInstance()) GiveUpName(f, true);
  }

  void ObjectDestroyed(CCmdTarget* target) {
    for (auto it = objects_.begin(); it != objects_.end();) {
      if (it->target == target) {
        dbus_connection_unregister_object_path(conn_, it->path.c_str());
        it = objects_.erase(it);
      } else {
        ++it;
      }
    }
    for (auto& [client, held] : holds_) held.erase(std::remove(held.begin(), held.end(), target), held.end());
  }

 private:
  struct Exported {
    CCmdTarget* target;
    std::string path;
    std::string interface;
  };

  explicit AutomationBus(DBusConnection* conn) : conn_(conn) {
    dbus_connection_add_filter(conn_, &AutomationBus::Filter, this, nullptr);
    dbus_connection_set_watch_functions(conn_, &AddWatch, &RemoveWatch, &ToggleWatch, this, nullptr);
    dbus_connection_set_timeout_functions(conn_, &AddTimeout, &RemoveTimeout, &ToggleTimeout, this, nullptr);
    dbus_connection_set_dispatch_status_function(conn_, &AutomationBus::DispatchStatus, this, nullptr);
    ScheduleDispatch();
  }

  // A blocking call (owning a name, asking whether a client is still there)
  // may read messages into the queue while it waits: the descriptor is then
  // quiet, so the loop is asked to dispatch them.
  static void DispatchStatus(DBusConnection*, DBusDispatchStatus status, void* data) {
    if (status == DBUS_DISPATCH_DATA_REMAINS) static_cast<AutomationBus*>(data)->ScheduleDispatch();
  }

  void ScheduleDispatch() {
    if (dispatchPosted_) return;
    plat::Application* loop = plat::Application::Current();
    if (!loop) return;
    dispatchPosted_ = true;
    loop->Post([] {
      if (AutomationBus* bus = Current()) {
        bus->dispatchPosted_ = false;
        bus->DispatchAll();
      }
    });
  }

  void DispatchAll() {
    DispatchQueued();
    if (dbus_connection_get_is_connected(conn_)) dbus_connection_flush(conn_);
  }

  // Runs the queued messages. A call whose work turns the loop (a box
  // waiting for the person) comes back here with the dispatch still under
  // way: the library cannot dispatch inside its own dispatch (it would wait
  // for itself for ever), so what arrives meanwhile is only read, and the
  // outer dispatch runs it once the call is answered.
  void DispatchQueued() {
    if (dispatching_) return;
    dispatching_ = true;
    while (dbus_connection_dispatch(conn_) == DBUS_DISPATCH_DATA_REMAINS) {
    }
    dispatching_ = false;
  }

  ~AutomationBus() {
    for (const Exported& e : objects_) dbus_connection_unregister_object_path(conn_, e.path.c_str());
    objects_.clear();
    dropWatches_ = true;
    SyncFdWatches();
    dbus_connection_remove_filter(conn_, &AutomationBus::Filter, this);
    dbus_connection_set_dispatch_status_function(conn_, nullptr, nullptr, nullptr);
    dbus_connection_close(conn_);
    dbus_connection_set_watch_functions(conn_, nullptr, nullptr, nullptr, nullptr, nullptr);
    dbus_connection_set_timeout_functions(conn_, nullptr, nullptr, nullptr, nullptr, nullptr);
    dbus_connection_unref(conn_);
  }

  // ---- the loop's side: readable descriptors
  static dbus_bool_t AddWatch(DBusWatch* w, void* data) {
    auto* self = static_cast<AutomationBus*>(data);
    self->watches_.push_back(w);
    self->SyncFdWatches();
    return 1;
  }
  static void RemoveWatch(DBusWatch* w, void* data) {
    auto* self = static_cast<AutomationBus*>(data);
    self->watches_.erase(std::remove(self->watches_.begin(), self->watches_.end(), w), self->watches_.end());
    self->SyncFdWatches();
  }
  static void ToggleWatch(DBusWatch*, void* data) { static_cast<AutomationBus*>(data)->SyncFdWatches(); }
  // Nothing here waits for an answer in the background, so no timeout is ever due.
  static dbus_bool_t AddTimeout(DBusTimeout*, void*) { return 1; }
  static void RemoveTimeout(DBusTimeout*, void*) {}
  static void ToggleTimeout(DBusTimeout*, void*) {}

  void SyncFdWatches() {
    plat::Application* loop = plat::Application::Current();
    std::vector<int> wanted;
    if (!dropWatches_) {
      for (DBusWatch* w : watches_) {
        if (dbus_watch_get_enabled(w) && (dbus_watch_get_flags(w) & DBUS_WATCH_READABLE)) {
          wanted.push_back(dbus_watch_get_unix_fd(w));
        }
      }
    }
    for (auto it = fdWatches_.begin(); it != fdWatches_.end();) {
      if (std::find(wanted.begin(), wanted.end(), it->first) == wanted.end()) {
        if (loop) loop->RemoveFdWatch(it->second);
        it = fdWatches_.erase(it);
      } else {
        ++it;
      }
    }
    if (!loop) return;
    for (int fd : wanted) {
      if (fdWatches_.count(fd)) continue;
      fdWatches_[fd] = loop->AddFdWatch(fd, [fd] {
        if (AutomationBus* bus = Current()) bus->Readable(fd);
      });
    }
  }

  void Readable(int fd) {
    const std::vector<DBusWatch*> copy = watches_;
    for (DBusWatch* w : copy) {
      if (std::find(watches_.begin(), watches_.end(), w) == watches_.end()) continue;
      if (dbus_watch_get_unix_fd(w) == fd && dbus_watch_get_enabled(w) &&
          (dbus_watch_get_flags(w) & DBUS_WATCH_READABLE)) {
        dbus_watch_handle(w, DBUS_WATCH_READABLE);
      }
    }
    DispatchQueued();
    if (!dbus_connection_get_is_connected(conn_)) {
      // The bus went away: nothing more will come, and a hung-up descriptor
      // must not keep the loop busy.
      dropWatches_ = true;
      SyncFdWatches();
      return;
    }
    dbus_connection_flush(conn_);
  }

  // ---- clients leaving
  static DBusHandlerResult Filter(DBusConnection*, DBusMessage* m, void* data) {
    // Only the bus's own word counts: any client may send this signal to us.
    const char* sender = dbus_message_get_sender(m);
    if (dbus_message_is_signal(m, "org.freedesktop.DBus", "NameOwnerChanged") && sender &&
        std::strcmp(sender, "org.freedesktop.DBus") == 0) {
      const char* name = nullptr;
      const char* oldOwner = nullptr;
      const char* newOwner = nullptr;
      if (dbus_message_get_args(m, nullptr, DBUS_TYPE_STRING, &name, DBUS_TYPE_STRING, &oldOwner,
                                DBUS_TYPE_STRING, &newOwner, DBUS_TYPE_INVALID) &&
          newOwner[0] == '\0') {
        static_cast<AutomationBus*>(data)->ClientGone(name);
      }
    }
    return DBUS_HANDLER_RESULT_NOT_YET_HANDLED;
  }

  void ClientGone(const std::string& client) {
    auto it = holds_.find(client);
    if (it == holds_.end()) return;
    std::vector<CCmdTarget*> held = std::move(it->second);
    holds_.erase(it);
    for (CCmdTarget* t : held) t->ExternalRelease();
  }

  // ---- the factory
  static DBusHandlerResult FactoryMessage(DBusConnection*, DBusMessage* m, void* data) {
    AutomationBus* bus = Current();
    if (!bus) return DBUS_HANDLER_RESULT_NOT_YET_HANDLED;
    return bus->OnFactoryMessage(*static_cast<COleObjectFactory*>(data), m);
  }

  DBusHandlerResult OnFactoryMessage(COleObjectFactory& f, DBusMessage* m) {
    const std::string iface = f.GetProgID() + ".Factory";
    if (dbus_message_is_method_call(m, kIntrospectable, "Introspect")) {
      ReplyText(conn_, m,
                "<node>\n" + kIntrospectInterface + "  <interface name=\"" + XmlEscape(iface) +
                    "\">\n    <method name=\"CreateObject\">\n"
                    "      <arg name=\"bus_name\" type=\"s\" direction=\"out\"/>\n"
                    "      <arg name=\"path\" type=\"o\" direction=\"out\"/>\n    </method>\n  </interface>\n</node>\n");
      return DBUS_HANDLER_RESULT_HANDLED;
    }
    if (dbus_message_get_type(m) != DBUS_MESSAGE_TYPE_METHOD_CALL) return DBUS_HANDLER_RESULT_NOT_YET_HANDLED;
    const char* member = dbus_message_get_member(m);
    const char* callIface = dbus_message_get_interface(m);
    if (!member || std::strcmp(member, "CreateObject") != 0 || (callIface && iface != callIface)) {
      return DBUS_HANDLER_RESULT_NOT_YET_HANDLED;
    }
    if (f.IsMultiInstance() && f.used_) {
      ReplyError(conn_, m, f.GetProgID() + ".Error.FactoryUsed",
                 "this process serves another client; create the object again");
      return DBUS_HANDLER_RESULT_HANDLED;
    }
    CCmdTarget* object = f.OnCreateObject();
    if (!object || !object->AutomationEnabled() || !object->GetDispatchMap()) {
      ReplyError(conn_, m, f.GetProgID() + ".Error.CreationFailed", "the object could not be created");
      return DBUS_HANDLER_RESULT_HANDLED;
    }
    const std::string path = f.ObjectPath();
    if (!Export(object, path, f.GetProgID())) {
      ReplyError(conn_, m, f.GetProgID() + ".Error.CreationFailed", "the object could not be published");
      return DBUS_HANDLER_RESULT_HANDLED;
    }
    const std::string client = dbus_message_get_sender(m) ? dbus_message_get_sender(m) : "";
    object->ExternalAddRef();
    holds_[client].push_back(object);
    if (f.IsMultiInstance()) {
      // Given up before the answer goes out: the bus handles our messages in
      // order, so a creation after this one starts another process.
      f.used_ = true;
      GiveUpName(f, false);
    }
    DBusMessage* reply = dbus_message_new_method_return(m);
    const std::string unique = UniqueName();
    const char* uniqueText = unique.c_str();
    const char* pathText = path.c_str();
    dbus_message_append_args(reply, DBUS_TYPE_STRING, &uniqueText, DBUS_TYPE_OBJECT_PATH, &pathText,
                             DBUS_TYPE_INVALID);
    Reply(conn_, reply);
    // A client that left before its call was read here was never seen leaving.
    if (!client.empty() && !dbus_bus_name_has_owner(conn_, client.c_str(), nullptr)) ClientGone(client);
    return DBUS_HANDLER_RESULT_HANDLED;
  }

  bool Export(CCmdTarget* object, const std::string& path, const std::string& iface) {
    for (auto it = objects_.begin(); it != objects_.end(); ++it) {
      if (it->path != path) continue;
      if (it->target == object) return true;
      dbus_connection_unregister_object_path(conn_, path.c_str());
      objects_.erase(it);
      break;
    }
    static const DBusObjectPathVTable vtable{nullptr, &AutomationBus::ObjectMessage, nullptr,
                                              nullptr, nullptr, nullptr};
    if (!dbus_connection_register_object_path(conn_, path.c_str(), &vtable, nullptr)) return false;
    objects_.push_back({object, path, iface});
    return true;
  }

  // ---- the objects
  static DBusHandlerResult ObjectMessage(DBusConnection*, DBusMessage* m, void*) {
    AutomationBus* bus = Current();
    return bus ? bus->OnObjectMessage(m) : DBUS_HANDLER_RESULT_NOT_YET_HANDLED;
  }

  DBusHandlerResult OnObjectMessage(DBusMessage* m) {
    const char* pathText = dbus_message_get_path(m);
    const Exported* exported = nullptr;
    for (const Exported& e : objects_) {
      if (pathText && e.path == pathText) exported = &e;
    }
    if (!exported || dbus_message_get_type(m) != DBUS_MESSAGE_TYPE_METHOD_CALL) {
      return DBUS_HANDLER_RESULT_NOT_YET_HANDLED;
    }
    CCmdTarget* target = exported->target;
    const std::string iface = exported->interface;
    const DispatchMap* map = target->GetDispatchMap();
    if (dbus_message_is_method_call(m, kIntrospectable, "Introspect")) {
      ReplyText(conn_, m, Introspection(iface, *map));
      return DBUS_HANDLER_RESULT_HANDLED;
    }
    const char* callIface = dbus_message_get_interface(m);
    const char* member = dbus_message_get_member(m);
    const DispatchEntry* entry = member ? map->Find(member) : nullptr;
    if (!entry || (callIface && iface != callIface)) {
      ReplyError(conn_, m, DBUS_ERROR_UNKNOWN_METHOD,
                 std::string("no method ") + (member ? member : "") + " on " + iface);
      return DBUS_HANDLER_RESULT_HANDLED;
    }
    std::string signature;
    for (VarType t : entry->params) signature += Signature(t);
    if (!dbus_message_has_signature(m, signature.c_str())) {
      ReplyError(conn_, m, DBUS_ERROR_INVALID_ARGS, entry->name + " takes (" + signature + ")");
      return DBUS_HANDLER_RESULT_HANDLED;
    }
    std::vector<Variant> args;
    DBusMessageIter it;
    dbus_message_iter_init(m, &it);
    for (VarType t : entry->params) {
      if (t == VarType::kI4) {
        dbus_int32_t v = 0;
        dbus_message_iter_get_basic(&it, &v);
        args.emplace_back(static_cast<std::int32_t>(v));
      } else if (t == VarType::kBstr) {
        const char* v = nullptr;
        dbus_message_iter_get_basic(&it, &v);
        args.emplace_back(std::string(v ? v : ""));
      } else if (t == VarType::kBool) {
        dbus_bool_t v = 0;
        dbus_message_iter_get_basic(&it, &v);
        args.emplace_back(v != 0);
      }
      dbus_message_iter_next(&it);
    }
    // The call may end in a close that destroys the object; the answer does
    // not need it any more.
    Variant result;
    DispatchEntry call = *entry;
    auto run = [&] { result = call.invoke(*target, args); };
    if (plat::Application* loop = plat::Application::Current()) loop->Dispatch(run);
    else run();
    DBusMessage* reply = dbus_message_new_method_return(m);
    if (call.result == VarType::kBool) {
      const dbus_bool_t v = std::holds_alternative<bool>(result) && std::get<bool>(result) ? 1 : 0;
      dbus_message_append_args(reply, DBUS_TYPE_BOOLEAN, &v, DBUS_TYPE_INVALID);
    }
    Reply(conn_, reply);
    return DBUS_HANDLER_RESULT_HANDLED;
  }

  static std::string Introspection(const std::string& iface, const DispatchMap& map) {
    std::string xml = "<node>\n" + kIntrospectInterface + "  <interface name=\"" + XmlEscape(iface) + "\">\n";
    for (const DispatchEntry& e : map.entries) {
      xml += "    <method name=\"" + XmlEscape(e.name) + "\">\n";
      xml += "      <annotation name=\"" + XmlEscape(iface) + ".DispId\" value=\"" + std::to_string(e.dispid) +
             "\"/>\n";
      for (std::size_t i = 0; i < e.params.size(); ++i) {
        const std::string name = e.paramNames[i].empty() ? "arg" + std::to_string(i) : e.paramNames[i];
        xml += "      <arg name=\"" + XmlEscape(name) + "\" type=\"" + Signature(e.params[i]) +
               "\" direction=\"in\"/>\n";
      }
      if (e.result != VarType::kEmpty) {
        xml += std::string("      <arg name=\"result\" type=\"") + Signature(e.result) + "\" direction=\"out\"/>\n";
      }
      xml += "    </method>\n";
    }
    return xml + "  </interface>\n</node>\n";
  }

  static inline AutomationBus* current_ = nullptr;
  DBusConnection* conn_;
  std::vector<DBusWatch*> watches_;
  std::map<int, int> fdWatches_;  // descriptor -> the loop's watch id
  bool dropWatches_ = false;
  bool dispatchPosted_ = false;
  bool dispatching_ = false;
  std::vector<Exported> objects_;
  std::map<std::string, std::vector<CCmdTarget*>> holds_;  // client's unique name -> objects it holds
};

namespace detail {
void AutomationObjectDestroyed(CCmdTarget* target) {
  if (AutomationBus* bus = AutomationBus::Current()) bus->ObjectDestroyed(target);
}
}  // namespace detail

std::string AutomationBusName() {
  AutomationBus* bus = AutomationBus::Current();
  return bus ? bus->UniqueName() : std::string();
}

int AutomationConnectionFd() {
  AutomationBus* bus = AutomationBus::Current();
  return bus ? bus->Fd() : -1;
}

// ---------------------------------------------------------------- factories
COleObjectFactory::COleObjectFactory() { Factories().push_back(this); }

COleObjectFactory::~COleObjectFactory() {
  Revoke();
  auto& list = Factories();
  list.erase(std::remove(list.begin(), list.end(), this), list.end());
  if (std::none_of(list.begin(), list.end(), [](const COleObjectFactory* f) { return f->registered_; })) {
    AutomationBus::Close();
  }
}

void COleObjectFactory::SetIdentity(std::string clsid, std::string progId, std::string description,
                                    bool multiInstance) {
  clsid_ = std::move(clsid);
  progId_ = std::move(progId);
  description_ = std::move(description);
  multiInstance_ = multiInstance;
}

std::string COleObjectFactory::ObjectPath() const {
  std::string path = "/";
  for (char c : progId_) {
    if (c == '.') path += '/';
    else if (std::isalnum(static_cast<unsigned char>(c)) || c == '_') path += c;
    else path += '_';
  }
  return path;
}

std::string COleObjectFactory::ServiceFilePath() const {
  const std::string data = DataHome();
  return data.empty() ? std::string() : data + "/dbus-1/services/" + progId_ + ".service";
}

BOOL COleObjectFactory::Register() {
  if (registered_) return 1;
  if (progId_.empty()) return 0;
  AutomationBus* bus = AutomationBus::Open();
  if (!bus) return 0;
  if (!bus->OwnName(*this)) return 0;
  registered_ = true;
  return 1;
}

void COleObjectFactory::Revoke() {
  if (!registered_) return;
  registered_ = false;
  if (AutomationBus* bus = AutomationBus::Current()) bus->Revoke(*this);
}

BOOL COleObjectFactory::RegisterAll() {
  // Registered as running means a client started us: the person is not in control.
  AfxOleSetUserCtrl(0);
  bool all = true;
  for (COleObjectFactory* f : Factories()) all = f->Register() && all;
  return all ? 1 : 0;
}

void COleObjectFactory::RevokeAll() {
  for (COleObjectFactory* f : Factories()) f->Revoke();
  AutomationBus::Close();
}

BOOL COleObjectFactory::UpdateRegistryAll(BOOL reg) {
  bool all = true;
  for (COleObjectFactory* f : Factories()) all = f->UpdateRegistry(reg) && all;
  return all ? 1 : 0;
}

BOOL COleObjectFactory::UpdateRegistry(BOOL reg) {
  if (progId_.empty()) return 0;
  const std::string path = ServiceFilePath();
  if (path.empty()) return 0;
  if (!reg) return ::unlink(path.c_str()) == 0 || errno == ENOENT ? 1 : 0;
  if (MakeDirs(path.substr(0, path.find_last_of('/'))) != 0) return 0;
  const std::string content = "# " + description_ + " " + clsid_ + "\n[D-BUS Service]\nName=" + progId_ +
                              "\nExec=" + QuoteWord(plat::ProgramFile()) + " -Automation\n";
  return plat::ReplaceFileAtomically(path, content, 0644) == 0 ? 1 : 0;
}

void COleTemplateServer::ConnectTemplate(const std::string& clsid, CDocTemplate* tmpl, BOOL multiInstance) {
  template_ = tmpl;
  std::string progId, description;
  if (tmpl) {
    tmpl->GetDocString(progId, CDocTemplate::regFileTypeId);
    tmpl->GetDocString(description, CDocTemplate::regFileTypeName);
  }
  SetIdentity(clsid, progId, description, multiInstance != 0);
}

void COleTemplateServer::UpdateRegistry(OLE_APPTYPE) { COleObjectFactory::UpdateRegistry(1); }

CCmdTarget* COleTemplateServer::OnCreateObject() {
  if (!template_) return nullptr;
  CDocument* doc = template_->GetFirstDocument();
  if (!doc) doc = template_->OpenDocumentFile({});
  return doc;
}

}  // namespace afx
