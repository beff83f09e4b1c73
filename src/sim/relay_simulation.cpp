#include "sim/relay_simulation.h"

#include "sim/definition_loader.h"

namespace kvx::sim {

std::optional<RelayConfig> MakeRelayConfig(std::string_view modelName, int firmware,
                                           const std::filesystem::path& defaultsFolder,
                                           std::string& error) {
  auto model = FindSimModel(modelName);
  if (!model) {
    error = "unknown model \"" + std::string(modelName) + "\"";
    return std::nullopt;
  }
  RelayConfig config;
  config.model = *model;
  config.firmware = firmware;
  const auto file = FindDefinitionFile(defaultsFolder, *model, firmware);
  if (file.empty()) {
    error = "no definition file for " + std::string(model->name) + " firmware " +
            std::to_string(firmware) + " in " + defaultsFolder.string();
    return config;
  }
  auto definition = LoadRelayDefinition(file, error);
  if (!definition) {
    error = "cannot load " + file.string() + ": " + error;
    return std::nullopt;
  }
  error.clear();
  config.definition = std::move(*definition);
  return config;
}

RelaySimulation::RelaySimulation(RelayConfig config, ServerOptions options)
    : relay_(std::move(config)), options_(options) {}

RelaySimulation::~RelaySimulation() {
  Stop();
}

SimStatus RelaySimulation::StartTcp(const std::string& host, int port) {
  if (tcp_) return SimStatus::Fail("TCP already started");
  auto server = std::make_unique<SimTcpServer>(relay_, options_);
  SimStatus s = server->Start(host, port);
  if (s.ok) tcp_ = std::move(server);
  return s;
}

SimStatus RelaySimulation::StartRtuPty(const std::string& link) {
  if (rtu_) return SimStatus::Fail("RTU already started");
  auto server = std::make_unique<SimRtuPtyServer>(relay_, options_);
  SimStatus s = server->Start(link);
  if (s.ok) rtu_ = std::move(server);
  return s;
}

SimStatus RelaySimulation::StartDf1Pty(const std::string& link) {
  if (df1_) return SimStatus::Fail("DF1 already started");
  auto server = std::make_unique<SimRtuPtyServer>(relay_, options_, SerialFraming::Df1);
  SimStatus s = server->Start(link);
  if (s.ok) df1_ = std::move(server);
  return s;
}

void RelaySimulation::Stop() {
  if (df1_) df1_->Stop();
  if (rtu_) rtu_->Stop();
  if (tcp_) tcp_->Stop();
}

}  // namespace kvx::sim
