#pragma once
// The panel program's start: left-overs, the uninstall and cover-repair switches, one
// panel per account, the offer to end other accounts' panels, then the main window.
#include <functional>
#include <string>

namespace ui {
class Dialog;
}

class CQorIPApp {
 public:
  // The parts that other modules of the panel bring: the main window run modally (it
  // sets m_pMainWnd while it is open) and the three repairs of the cover switch.
  struct Actions {
    std::function<void(CQorIPApp& app)> runMainWindow;
    std::function<void()> repairPermissions;
    std::function<void()> repairService;
    std::function<void()> repairTray;
  };

  // The single-instance name, after the program's file; a lock per account stands in
  // for the logon session's namespace.
  static constexpr const char* kInstanceName = "QorIP";
  static constexpr const char* kMutexName = "qor_ip";
  static constexpr const char* kPanelProgram = "QorIP.exe";
  static constexpr const char* kServiceName = "qoripsvc";
  static constexpr const char* kIisServiceName = "w3svc";

  explicit CQorIPApp(Actions actions = Actions());
  virtual ~CQorIPApp() = default;
  CQorIPApp(const CQorIPApp&) = delete;
  CQorIPApp& operator=(const CQorIPApp&) = delete;

  // Everything the program does, given the whole process command line (GBK). Always
  // false; ExitCode tells how the process ends.
  bool InitInstance(const std::string& commandLine);
  int ExitInstance() { return m_nExitCode; }
  int ExitCode() const { return m_nExitCode; }

  // Tray quit, autorun, service, IIS restart, the installed files. Returns 1.
  int Uninstall();

  // The main window while it is open. The first time one is set, a later start of the
  // panel can bring it forward.
  void SetMainWindow(ui::Dialog* dlg);
  ui::Dialog* MainWindow() const { return m_pMainWnd; }

  // --- the steps of InitInstance ---
  // The ".del" files that a replaced program file leaves behind.
  static void DeleteLeftOvers();
  // The lower-cased command line with " -unload" or " /unload" in it.
  void RunUninstallRequest(std::string commandLine);
  void RunCoverRepair();
  // The store of the cover switch, which runs no start splash: LoadPanelStore without
  // windows, and nothing at all when the file cannot be read.
  static void PrepareCoverConfiguration();
  // False when another panel of this account runs: this one then ends, with 0 when that
  // panel came forward and -1 when it has no window to show.
  bool ClaimSingleInstance();
  // One question per other process of the panel's program; Yes ends it.
  void OfferOtherPanels(const std::string& program = kPanelProgram);

  // True when the command line asks for the uninstall or the cover repair, the roads
  // that open no window.
  static bool IsSwitchRoad(const std::string& commandLine);
  // The process command line from the program's arguments (OS text), in the form the
  // Windows command line has: arguments joined by blanks, those with blanks quoted.
  static std::string CommandLineFromArgs(int argc, char** argv);
  // The instance name of the calling account.
  static std::string InstanceName();
  // The key of a panel that has none stored: the digest of a fixed text.
  static std::string DefaultUninstallKey();

 private:
  void ComeForward();

  Actions m_actions;
  ui::Dialog* m_pMainWnd = nullptr;
  bool m_bListening = false;
  int m_nExitCode = 0;
};
