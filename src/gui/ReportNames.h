// The routine names the Application Error report prints, one per handler that traps errors.
// Users quote them to support, so they stay fixed whatever the code behind them is called.
#pragma once

namespace ReportNames {
inline constexpr const char *Startup = "Form1.Form_Load";
inline constexpr const char *SaveInvalidList = "Form1.PushButton1_Click";
inline constexpr const char *ClearInvalidList = "Form1.PushButton2_Click";
inline constexpr const char *LoadLinkFiles = "Form1.PushButton3_Click";
inline constexpr const char *StartChecking = "Form1.PushButton4_Click";
inline constexpr const char *AddLink = "Form1.PushButton5_Click";
inline constexpr const char *SaveValidList = "Form1.PushButton6_Click";
inline constexpr const char *OpenSelectedLink = "Form1.PushButton7_Click";
inline constexpr const char *LoadSampleLinks = "Form1.PushButton8_Click";
inline constexpr const char *ClearValidList = "Form1.PushButton9_Click";
inline constexpr const char *ShowHelp = "Form1.PushButton10_Click";
inline constexpr const char *ClearInputList = "Form1.PushButton11_Click";
// Loading one link file into a list, run once per chosen file.
inline constexpr const char *LoadLinkFile = "FileToListview1.FileToListview";
} // namespace ReportNames
