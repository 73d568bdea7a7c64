#pragma once
// Automation objects on the session D-Bus.
//
// A class factory is known by its ProgID ("Lorvex.Document"), which is also
// its well-known bus name. Registering the factories (RegisterAll, done by
// a server started for automation) owns that name and serves, at
//   <path>/Factory  interface <ProgID>.Factory
//   CreateObject() -> (s bus_name, o path)
// where <path> is the ProgID as an object path ("/Lorvex/Document"). The
// object created is served on the process's own unique name at <path>,
// interface <ProgID>, one method per dispatch-map entry in dispatch-id
// order, each taking and answering the entry's types (VT_I4 as "i", VT_BSTR
// as "s", VT_BOOL as "b"); standard introspection describes both objects.
// Calls are dispatched on the window thread: the connection's descriptor is
// watched by the application loop.
//
// Lifetime: each CreateObject counts one hold by the calling connection
// (ExternalAddRef); the hold ends when that connection leaves the bus
// (NameOwnerChanged), whenever that happens.
//
// Multi-instance: such a factory serves one creation and then gives up its
// bus name (before it answers), so the next creation finds no owner and the
// bus starts a new process. A creation that reaches the process after the
// first one is refused with the error "<ProgID>.Error.FactoryUsed".
//
// Activation: UpdateRegistry writes a D-Bus service file
//   $XDG_DATA_HOME/dbus-1/services/<ProgID>.service   (XDG_DATA_HOME defaults to ~/.local/share)
// naming the running program with "-Automation"; UpdateRegistry(FALSE) removes it.

#include <string>
#include <vector>

#include "platform/afx/document.h"

namespace afx {

class COleObjectFactory {
 public:
  COleObjectFactory();
  COleObjectFactory(const COleObjectFactory&) = delete;
  COleObjectFactory& operator=(const COleObjectFactory&) = delete;
  virtual ~COleObjectFactory();

  // Every factory of the process owns its bus name; FALSE when there is no
  // bus or a name could not be owned (the program goes on without it).
  static BOOL RegisterAll();
  // Gives up every name and the bus connection.
  static void RevokeAll();
  // Writes (or removes) the service file of every factory.
  static BOOL UpdateRegistryAll(BOOL reg = TRUE);

  virtual BOOL UpdateRegistry(BOOL reg);
  BOOL Register();
  void Revoke();
  bool IsRegistered() const { return registered_; }

  const std::string& GetClassID() const { return clsid_; }
  const std::string& GetProgID() const { return progId_; }
  const std::string& GetDescription() const { return description_; }
  bool IsMultiInstance() const { return multiInstance_; }
  std::string ObjectPath() const;
  std::string FactoryPath() const { return ObjectPath() + "/Factory"; }
  std::string ServiceFilePath() const;

  // The object a client's CreateObject gets (null: the creation fails).
  virtual CCmdTarget* OnCreateObject() = 0;

 protected:
  void SetIdentity(std::string clsid, std::string progId, std::string description, bool multiInstance);

 private:
  friend class AutomationBus;
  std::string clsid_, progId_, description_;
  bool multiInstance_ = false;
  bool registered_ = false;
  bool used_ = false;
};

class COleTemplateServer : public COleObjectFactory {
 public:
  enum OLE_APPTYPE { OAT_INPLACE_SERVER = 0, OAT_SERVER = 1, OAT_CONTAINER = 2, OAT_DISPATCH_OBJECT = 3 };

  COleTemplateServer() = default;
  // The ProgID and the description come from the template's document string.
  void ConnectTemplate(const std::string& clsid, CDocTemplate* tmpl, BOOL multiInstance);
  void UpdateRegistry(OLE_APPTYPE type);
  BOOL UpdateRegistry(BOOL reg) override { return COleObjectFactory::UpdateRegistry(reg); }
  // The template's document (made with its frame when there is none).
  CCmdTarget* OnCreateObject() override;

 private:
  CDocTemplate* template_ = nullptr;
};

// The unique bus name of this process's automation connection ("" without one)
// and its descriptor (-1 without one).
std::string AutomationBusName();
int AutomationConnectionFd();

}  // namespace afx
