#include "cli/file_commands.h"

#include <memory>
#include <string>

#include "cli/settings_table.h"
#include "setpoints/data_packet_file.h"
#include "setpoints/defaults_listing.h"
#include "setpoints/defaults_location.h"
#include "setpoints/format_value.h"
#include "setpoints/load_setting_file.h"
#include "setpoints/number_text.h"
#include "setpoints/setting_store.h"
#include "setpoints/unit_model.h"

namespace kvx::cli {
namespace {

struct ShowArgs {
  std::string file;
  std::string defaults;
};

struct ConvertArgs {
  std::string in;
  std::string out;
};

struct DefaultsArgs {
  std::string dir;
};

int FileError(CommandContext& context, const std::string& what, const std::string& path,
              const std::string& reason) {
  context.err << what << '\n' << "kvx-cli: " << path << ": " << reason << '\n';
  return kExitFileError;
}

void AddShow(CLI::App& app, CommandContext& context) {
  auto args = std::make_shared<ShowArgs>();
  auto* cmd = app.add_subcommand(
      "show", "Print the settings of a setpoint or definition file, group by group");
  cmd->add_option("FILE", args->file, "Setpoint file (.cds or .xml) or definition file")
      ->required();
  cmd->add_option("--defaults", args->defaults, "Folder of the definition files");
  cmd->callback([&context, args] {
    const auto folder = FindDefaultsFolder(ProgramFolder(), args->defaults);
    SettingStore store;
    const LoadResult r = LoadSettingFile(store, args->file, folder);
    if (!r) {
      context.exitCode = FileError(context, "Error Loading File.", args->file, r.error);
      return;
    }
    PrintSettingsTable(store, context.out, kGroupCount);
    context.exitCode = kExitOk;
  });
}

void AddConvert(CLI::App& app, CommandContext& context) {
  auto args = std::make_shared<ConvertArgs>();
  auto* cmd = app.add_subcommand(
      "convert", "Rewrite a setting file as XML (OUT ends in .xml) or binary (any other name)");
  cmd->add_option("IN", args->in, "File to read (either form)")->required();
  cmd->add_option("OUT", args->out, "File to write")->required();
  cmd->callback([&context, args] {
    const PacketResult in = ReadPacketFile(args->in);
    if (!in.ok) {
      context.exitCode = FileError(context, "Error Loading File.", args->in, in.error);
      return;
    }
    const WriteResult w = WritePacketFile(args->out, in.packet, PacketFormForPath(args->out));
    if (!w.ok) {
      context.exitCode = FileError(context, "Error writing file.", args->out, w.error);
      return;
    }
    context.err << "kvx-cli: saved " << args->out << '\n';
    context.exitCode = kExitOk;
  });
}

void AddDefaults(CLI::App& app, CommandContext& context) {
  auto args = std::make_shared<DefaultsArgs>();
  auto* cmd =
      app.add_subcommand("defaults", "List the definition files per model, newest firmware first");
  cmd->add_option("--dir", args->dir, "Folder of the definition files");
  cmd->callback([&context, args] {
    const auto folder = FindDefaultsFolder(ProgramFolder(), args->dir);
    std::error_code ec;
    if (!std::filesystem::is_directory(folder, ec)) {
      context.exitCode = FileError(context, "No Defaults folder.", folder.string(), "not a folder");
      return;
    }
    for (std::string_view name : DefaultsDialogModels()) {
      const auto model = FindUnitModelByName(name);
      context.out << name;
      for (const DefinitionVersion& v : ListDefinitionVersions(folder, *model))
        context.out << '\t' << v.text << " (" << v.path.filename().string() << ')';
      context.out << '\n';
    }
    context.exitCode = kExitOk;
  });
}

}  // namespace

void RegisterFileCommands(CLI::App& app, CommandContext& context) {
  AddShow(app, context);
  AddConvert(app, context);
  AddDefaults(app, context);
}

}  // namespace kvx::cli
