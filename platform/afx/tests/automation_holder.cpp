// A client that creates an automation object and holds it until its
// standard input ends: prints "<bus name> <object path>" (or "ERROR <name>").
//   afx_automation_holder <ProgID>
#include <dbus/dbus.h>
#include <unistd.h>

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: afx_automation_holder ProgID\n");
    return 2;
  }
  const std::string progId = argv[1];
  std::string path = "/";
  for (char c : progId) path += c == '.' ? '/' : c;
  DBusError err;
  dbus_error_init(&err);
  DBusConnection* conn = dbus_bus_get_private(DBUS_BUS_SESSION, &err);
  if (!conn) {
    std::printf("ERROR %s\n", err.name);
    return 1;
  }
  DBusMessage* call = dbus_message_new_method_call(progId.c_str(), (path + "/Factory").c_str(),
                                                   (progId + ".Factory").c_str(), "CreateObject");
  DBusMessage* reply = dbus_connection_send_with_reply_and_block(conn, call, 20000, &err);
  dbus_message_unref(call);
  int rc = 0;
  const char* name = nullptr;
  const char* object = nullptr;
  if (!reply) {
    std::printf("ERROR %s\n", err.name);
    rc = 1;
  } else if (!dbus_message_get_args(reply, &err, DBUS_TYPE_STRING, &name, DBUS_TYPE_OBJECT_PATH, &object,
                                    DBUS_TYPE_INVALID)) {
    std::printf("ERROR %s\n", err.name);
    rc = 1;
  } else {
    std::printf("%s %s\n", name, object);
  }
  std::fflush(stdout);
  dbus_error_free(&err);
  if (rc == 0) {
    char buffer[256];
    while (read(0, buffer, sizeof buffer) > 0) {
    }
  }
  if (reply) dbus_message_unref(reply);
  dbus_connection_close(conn);
  dbus_connection_unref(conn);
  return rc;
}
