#include "cli/curve_commands.h"

#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "curves/custom_curve.h"
#include "curves/feeder_curves.h"
#include "curves/motor_curves.h"
#include "setpoints/defaults_location.h"
#include "setpoints/load_setting_file.h"
#include "setpoints/number_text.h"
#include "setpoints/setting_store.h"

#ifdef KVX_CLI_PLOT
#include "app/curves/curve_plot_render.h"
#endif

namespace kvx::cli {
namespace {

struct CurveArgs {
  std::string file;
  std::string defaults;
  std::vector<std::string> elements;
  int group = 1;
  bool multiples = false;
  std::optional<int> warm;
  bool series = false;
  std::string custom;
  std::string plot;
  int plotWidth = 1400;
  int plotHeight = 900;
};

void PrintTable(std::ostream& out, const PointsTable& table) {
  auto line = [&](const std::vector<std::string>& cells) {
    for (std::size_t i = 0; i < cells.size(); ++i) out << (i ? "\t" : "") << cells[i];
    out << '\n';
  };
  line(table.header);
  for (const auto& row : table.rows) line(row);
}

void PrintSeries(std::ostream& out, const std::vector<const CurveSeries*>& series) {
  out << "series,current,time\n";
  for (const CurveSeries* s : series) {
    if (s == nullptr || !s->active) continue;
    for (const CurvePoint& p : s->points)
      out << s->name << ',' << FormatShortest(p.current) << ',' << FormatShortest(p.time) << '\n';
  }
}

int Refuse(CommandContext& context, int code, const std::vector<std::string>& lines) {
  for (const std::string& l : lines) context.err << l << '\n';
  return code;
}

struct PlotContent {
  std::vector<const CurveSeries*> series;
  const CurveSeries* trend = nullptr;
  ChartAxes axes;
  std::string legend;
  std::string title;
  std::string currentAxisTitle;
  bool logarithmicCurrent = true;
};

// --plot: the chart as the curve window draws it, into a picture file.
int WritePlot(CommandContext& context, const CurveArgs& args, const PlotContent& content) {
#ifdef KVX_CLI_PLOT
  CurvePlotPicture picture;
  picture.path = args.plot;
  picture.width = args.plotWidth;
  picture.height = args.plotHeight;
  picture.title = content.title;
  picture.currentAxisTitle = content.currentAxisTitle;
  picture.axes = content.axes;
  picture.legend = content.legend;
  picture.series = content.series;
  picture.trend = content.trend;
  picture.logarithmicCurrent = content.logarithmicCurrent;
  std::string error;
  if (!RenderCurvePlot(picture, error)) {
    return Refuse(context, kExitFileError, {"kvx-cli: " + args.plot + ": " + error});
  }
  context.err << "Chart written to " << args.plot << '\n';
  return kExitOk;
#else
  (void)content;
  return Refuse(context, kExitBadArguments,
                {"kvx-cli: " + args.plot +
                 ": this kvx-cli was built without the chart renderer (--plot needs the Qt "
                 "build)"});
#endif
}

// Loads --custom into `list`; false (with the message printed) when refused.
bool LoadCustom(CommandContext& context, const CurveArgs& args, CustomCurveList& list) {
  const ImportResult r = list.Import(args.custom);
  if (r.ok) {
    list.series().active = true;
    return true;
  }
  context.err << r.caption << '\n';
  for (const std::string& l : r.lines) context.err << l << '\n';
  context.err << "kvx-cli: " << args.custom << ": custom curve not imported\n";
  return false;
}

int RunFeeder(CommandContext& context, const CurveArgs& args, const SettingStore& store) {
  const FeederSettings settings = FeederSettingsFromRecord(FillFdxPlotData(store.settings));
  FeederView view;
  view.multiplesOfCtRating = args.multiples;
  const int g = args.group - 1;
  if (!args.elements.empty()) {
    auto& ticks = view.ticked[static_cast<std::size_t>(g)];
    ticks.fill(false);
    for (const std::string& name : args.elements) {
      const auto e = FindFeederElement(name);
      if (!e) {
        return Refuse(context, kExitBadArguments,
                      {"kvx-cli: unknown feeder element \"" + name +
                       "\" (overload, warm, phase-inverse, phase-definite-time, "
                       "earth-fault-3io-inverse, earth-fault-3io-definite-time, "
                       "earth-fault-ct-input-definite-time)"});
      }
      ticks[static_cast<std::size_t>(*e)] = true;
    }
  }
  if (args.warm) view.warmPercent.fill(*args.warm);
  view.page = g == 0 ? FeederPage::Group1Points : FeederPage::Group2Points;

  CustomCurveList custom(CustomCurveKind::Feeder);
  if (!args.custom.empty()) {
    if (args.multiples) {
      return Refuse(context, kExitBadArguments,
                    {"kvx-cli: the custom curve is drawn on the Current (A) axis only; "
                     "leave out --multiples or --custom"});
    }
    if (!LoadCustom(context, args, custom)) return kExitFileError;
  }
  const FeederCurves curves = BuildCurves(settings, view, &custom.series());
  if (!args.plot.empty()) {
    PlotContent content;
    for (const CurveSeries& s : curves.series) content.series.push_back(&s);
    content.series.push_back(&custom.series());
    content.axes = curves.axes;
    content.legend = curves.legend;
    content.title = settings.title;
    content.currentAxisTitle = args.multiples ? "Multiples of CT Rating" : "Current (A)";
    return WritePlot(context, args, content);
  }
  if (args.series) {
    std::vector<const CurveSeries*> all;
    for (const CurveSeries& s : curves.series) all.push_back(&s);
    all.push_back(&custom.series());
    PrintSeries(context.out, all);
  } else if (curves.pageTable) {
    PrintTable(context.out, *curves.pageTable);
  }
  return kExitOk;
}

int RunMotor(CommandContext& context, const CurveArgs& args, const SettingStore& store) {
  const MotorSettings settings = MotorSettingsFromRecord(FillDraPlotData(store));
  MotorView view;
  if (!args.elements.empty()) {
    view.ticked.fill(false);
    for (const std::string& name : args.elements) {
      const auto e = FindMotorElement(name);
      if (!e) {
        return Refuse(context, kExitBadArguments,
                      {"kvx-cli: unknown motor element \"" + name +
                       "\" (cold, warm, overcurrent, aux-overcurrent, jam)"});
      }
      view.ticked[static_cast<std::size_t>(*e)] = true;
    }
  }
  if (args.warm) view.thermalCapacity = *args.warm;

  CustomCurveList custom(CustomCurveKind::Motor);
  custom.SetFla(settings.fla);
  if (!args.custom.empty() && !LoadCustom(context, args, custom)) return kExitFileError;

  MotorCurves curves;
  const CtRatioCheck check = BuildMotorCurves(settings, view, curves, &custom.series());
  if (!check.ok) {
    std::vector<std::string> lines = {check.caption};
    lines.insert(lines.end(), check.lines.begin(), check.lines.end());
    lines.push_back("kvx-cli: " + args.file + ": no curves drawn from these settings");
    return Refuse(context, kExitFileError, lines);
  }
  if (!args.plot.empty()) {
    PlotContent content;
    for (const CurveSeries& s : curves.series) content.series.push_back(&s);
    content.series.push_back(&custom.series());
    content.trend = view.trendTicked ? &curves.trend : nullptr;
    content.axes = curves.axes;
    content.legend = curves.legend;
    content.title = settings.title;
    content.currentAxisTitle = "Percent Full-Load Current";
    content.logarithmicCurrent = false;
    return WritePlot(context, args, content);
  }
  if (args.series) {
    std::vector<const CurveSeries*> all;
    for (const CurveSeries& s : curves.series) all.push_back(&s);
    all.push_back(&custom.series());
    all.push_back(&curves.trend);
    PrintSeries(context.out, all);
  } else {
    PrintTable(context.out, curves.table);
  }
  return kExitOk;
}

}  // namespace

void RegisterCurveCommands(CLI::App& app, CommandContext& context) {
  auto args = std::make_shared<CurveArgs>();
  auto* cmd = app.add_subcommand(
      "curves",
      "Print the Data Points table of a feeder or motor relay's setpoint or definition file");
  cmd->add_option("FILE", args->file, "Setpoint file (.cds or .xml) or definition file")
      ->required();
  cmd->add_option("--defaults", args->defaults, "Folder of the definition files");
  cmd->add_option("--elements", args->elements,
                  "Elements to tick instead of the window's defaults, by name "
                  "(feeder: overload, warm, phase-inverse, ...; motor: cold, warm, overcurrent, "
                  "aux-overcurrent, jam)")
      ->delimiter(',');
  cmd->add_option("--group", args->group, "Feeder setting group of the table, 1 or 2")
      ->check(CLI::Range(1, 2));
  cmd->add_flag("--multiples", args->multiples,
                "Feeder: currents in multiples of CT rating instead of amperes");
  cmd->add_option("--warm", args->warm,
                  "Warm curve at this percentage (feeder: % I^t, motor: % I^2t), 1 to 99")
      ->check(CLI::Range(1, 99));
  cmd->add_flag("--series", args->series,
                "Print every ticked series' points as CSV (series,current,time) instead");
  cmd->add_option("--custom", args->custom,
                  "Lay the custom curve of this tab-delimited file (or saved points file) in");
  cmd->add_option("--plot", args->plot,
                  "Draw the chart instead, into this .png, .svg or .pdf file");
  cmd->add_option("--plot-width", args->plotWidth, "Width of the --plot picture in pixels")
      ->check(CLI::Range(100, 10000));
  cmd->add_option("--plot-height", args->plotHeight, "Height of the --plot picture in pixels")
      ->check(CLI::Range(100, 10000));
  cmd->callback([&context, args, cmd] {
    const auto folder = FindDefaultsFolder(ProgramFolder(), args->defaults);
    SettingStore store;
    const LoadResult r = LoadSettingFile(store, args->file, folder);
    if (!r) {
      context.exitCode = Refuse(context, kExitFileError,
                                {"Error Loading File.", "kvx-cli: " + args->file + ": " + r.error});
      return;
    }
    if (store.family == 3) {
      context.exitCode = RunFeeder(context, *args, store);
    } else if (store.family == 1 || store.family == 2) {
      if (cmd->count("--group") > 0 || args->multiples) {
        context.exitCode = Refuse(context, kExitBadArguments,
                                  {"kvx-cli: --group and --multiples are for feeder relays"});
        return;
      }
      context.exitCode = RunMotor(context, *args, store);
    } else {
      std::ostringstream why;
      why << "kvx-cli: " << args->file << ": a " << (store.unitName.empty() ? "?" : store.unitName)
          << " file (model family " << store.family
          << ") is neither a feeder nor a motor relay's: no protection curves";
      context.exitCode = Refuse(context, kExitFileError, {why.str()});
    }
  });
}

}  // namespace kvx::cli
