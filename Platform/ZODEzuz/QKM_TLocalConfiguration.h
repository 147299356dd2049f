// The embedded default transport: a site-configuration file read locally.
//
// File format: root <Configuration>, nested <Tree key="..."> elements and
// <Value key="..." type="string|bool|int|url"> elements whose text is the
// value ("string" when type is absent). The path
// "/Resources/CAD/Servers/Local/Type" is the Value "Type" inside the trees
// "Resources", "CAD", "Servers", "Local".
//
// Services answered:
//  - "CFS", request {"M": "[]", "P1": path, ...}: the value at the path, a
//    QK_TTree for a Tree element. A path that leads nowhere fails with
//    "CFS_EValueNotSet".
//  - "TicketServer", request {"M": "TicketAttributes", "P2": name, ...}:
//    the attributes of the workflow `name` listed under
//    "/Resources/Workflows", as an array of dicts {"Name": name}: one entry
//    when the site knows the workflow, none when it does not (without "P2",
//    every workflow).
// An empty file name means no configuration at all: every path is not set.
#pragma once

#include "QKM_TClient.h"
#include "QK_TTree.h"

class QKM_TLocalConfiguration : public QKM_ITransport {
 public:
  explicit QKM_TLocalConfiguration(QK_TString fileName);
  QKM_TReply Send(const QK_TString& service, const QK_TDict& request) override;

  // The whole configuration file as a tree (a missing file name gives an
  // empty tree). Malformed files throw QK_EException naming the file.
  static QK_TTree ReadFile(const QK_TString& fileName);

 private:
  QKM_TReply ReadPath(const QK_TDict& request);
  QKM_TReply TicketAttributes(const QK_TDict& request);
  QK_TString fileName_;
};
