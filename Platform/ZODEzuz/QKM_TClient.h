// Middleware client. A client is bound to one service at one address and
// sends it request dictionaries; the answer is one value. Failures that the
// service reports travel by exception class name and are raised here as that
// class (looked up in the class registry), so callers catch them by type.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "QK_TAny.h"
#include "QK_TDict.h"
#include "QK_TString.h"

// The answer of a service: a value, or the failure it reports.
struct QKM_TReply {
  QK_TAny value;
  QK_TString errorClass;  // empty when the request succeeded
  QK_TString errorMessage;
  QK_TAny errorData;

  static QKM_TReply Value(QK_TAny value);
  static QKM_TReply Failure(QK_TString errorClass, QK_TString message, QK_TAny data = QK_TAny());
};

// How requests reach a service. The address decides which transport serves
// a client (see QKM_TClient::SetConnectionAddress).
class QKM_ITransport {
 public:
  virtual ~QKM_ITransport() = default;
  virtual QKM_TReply Send(const QK_TString& service, const QK_TDict& request) = 0;
};

class QKM_TClient {
 public:
  enum TLocationMode { kLocationDirect = 0 };

  using TransportFactory = std::function<std::shared_ptr<QKM_ITransport>(const QK_TString& address)>;

  QKM_TClient();
  virtual ~QKM_TClient();

  // Binds the client. An address with a registered scheme ("scheme://...")
  // goes to that scheme's transport; any other address, the empty one
  // included, names a local site-configuration file (see
  // QKM_TLocalConfiguration.h).
  void SetConnectionAddress(const QK_TString& address, const QK_TString& service,
                            std::uint16_t port, TLocationMode mode);
  const QK_TString& Address() const { return address_; }
  const QK_TString& Service() const { return service_; }

  // Sends one request and returns the answer; a failure reported by the
  // service is thrown as its own exception class.
  virtual QK_TAny Request(const QK_TDict& request);

  // Adds a transport for addresses that start with "scheme://".
  static void RegisterTransport(const QK_TString& scheme, TransportFactory factory);
  // Routes every client to `transport` while set (tests); null restores the
  // normal choice by address.
  static void OverrideTransport(std::shared_ptr<QKM_ITransport> transport);

 private:
  [[noreturn]] static void RaiseFailure(const QKM_TReply& reply);
  QK_TString address_;
  QK_TString service_;
  std::shared_ptr<QKM_ITransport> transport_;
};

// Initialisation of the middleware library; true when it is ready.
bool __QK_INITIALIZATION_FUNCTION_ZODEzuz__();
