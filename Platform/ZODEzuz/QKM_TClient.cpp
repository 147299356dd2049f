#include "QKM_TClient.h"

#include <map>
#include <mutex>
#include <utility>

#include "QKM_TLocalConfiguration.h"
#include "QK_EException.h"
#include "QK_TURL.h"

namespace {

// The process-wide transport choices: factories by scheme and the override.
struct TransportRegistry {
  std::mutex mutex;
  std::map<QK_TString, QKM_TClient::TransportFactory> factories;
  std::shared_ptr<QKM_ITransport> override;
};

TransportRegistry& TheRegistry() {
  static TransportRegistry* registry = new TransportRegistry();  // lives as long as the process
  return *registry;
}

std::shared_ptr<QKM_ITransport> OverridingTransport() {
  TransportRegistry& registry = TheRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  return registry.override;
}

// The factory registered for the scheme of "scheme://..." addresses, or an
// empty function.
QKM_TClient::TransportFactory FactoryFor(const QK_TString& address) {
  std::size_t separator = address.Find("://");
  if (separator == QK_TString::npos || separator == 0) return {};
  QK_TString scheme = address.Substring(0, separator);
  TransportRegistry& registry = TheRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  auto found = registry.factories.find(scheme);
  return found == registry.factories.end() ? QKM_TClient::TransportFactory() : found->second;
}

std::shared_ptr<QKM_ITransport> TransportFor(const QK_TString& address) {
  QKM_TClient::TransportFactory factory = FactoryFor(address);
  if (!factory) return std::make_shared<QKM_TLocalConfiguration>(QK_TURL(address).LocalName());
  // Called outside the lock: a factory may itself use the registry.
  std::shared_ptr<QKM_ITransport> transport = factory(address);
  if (!transport) {
    QK_THROW(QK_EException(QK_TString::Format("no transport for \"%s\"", address.c_str())));
  }
  return transport;
}

}  // namespace

QKM_TReply QKM_TReply::Value(QK_TAny value) {
  QKM_TReply reply;
  reply.value = std::move(value);
  return reply;
}

QKM_TReply QKM_TReply::Failure(QK_TString errorClass, QK_TString message, QK_TAny data) {
  QKM_TReply reply;
  reply.errorClass = std::move(errorClass);
  reply.errorMessage = std::move(message);
  reply.errorData = std::move(data);
  return reply;
}

QKM_TClient::QKM_TClient() = default;
QKM_TClient::~QKM_TClient() = default;

void QKM_TClient::SetConnectionAddress(const QK_TString& address, const QK_TString& service,
                                       std::uint16_t port, TLocationMode mode) {
  std::shared_ptr<QKM_ITransport> transport = TransportFor(address);
  address_ = address;
  service_ = service;
  transport_ = std::move(transport);
}

QK_TAny QKM_TClient::Request(const QK_TDict& request) {
  if (!transport_) QK_THROW(QK_EException(QK_TString("not connected")));
  std::shared_ptr<QKM_ITransport> transport = OverridingTransport();
  if (!transport) transport = transport_;
  QKM_TReply reply = transport->Send(service_, request);
  if (!reply.errorClass.Empty()) RaiseFailure(reply);
  return reply.value;
}

void QKM_TClient::RegisterTransport(const QK_TString& scheme, TransportFactory factory) {
  TransportRegistry& registry = TheRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  registry.factories[scheme] = std::move(factory);
}

void QKM_TClient::OverrideTransport(std::shared_ptr<QKM_ITransport> transport) {
  TransportRegistry& registry = TheRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  registry.override = std::move(transport);
}

void QKM_TClient::RaiseFailure(const QKM_TReply& reply) {
  QK_EException::QK_ClassObject();  // so that "QK_EException" itself is always found
  const QK_TClass* errorClass = QK_TClass::Find(reply.errorClass.c_str());
  std::unique_ptr<QK_TObject> object(errorClass ? errorClass->CreateObject() : nullptr);
  QK_EException* exception = QK_DynamicCast<QK_EException>(object.get());
  if (exception == nullptr) {
    // Not an exception class known to this process: keep its name in the text.
    QK_THROW(QK_EException(reply.errorClass + QK_TString(": ") + reply.errorMessage, reply.errorData));
  }
  exception->QK_Message() = reply.errorMessage;
  exception->QK_Data() = reply.errorData;
  QK_THROW(*exception);
}

bool __QK_INITIALIZATION_FUNCTION_ZODEzuz__() { return true; }
