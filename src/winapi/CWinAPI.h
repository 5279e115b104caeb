// SPDX-License-Identifier: MIT
#pragma once

#include "winapi/Values.h"
#include "winapi/Win32Api.h"
#include "winapi/Win32Types.h"

#include <cstdint>
#include <string>

// <windows.h> (with <mmsystem.h>) defines PlaySound as a macro (PlaySoundA/W)
// and ExitWindows as a two-argument macro, which would rename or break these
// two members wherever they are declared or called. A source that includes
// <windows.h> and calls them includes this header after it: the two macros
// stay undefined from here on (the system functions are
// PlaySoundW and ExitWindowsEx by their own names).
#undef PlaySound
#undef ExitWindows

namespace tarnquill {

// The caption of the class's message boxes unless the owner names another.
inline constexpr const char* kAppTitle = "Tarnquill";

// A general desktop-utility class: sixty public members in a fixed order (the
// order below is its interface), over the Win32 seam. Each instance is
// independent; nothing is shared or global.
//
// Arguments are all passed by reference. Those a member changes are plain
// references and the caller sees the change (TryIcnRtnMsg's X, DocumentList's
// func, SendEmail's address, the search counters...); the others are const
// references, so a literal can be passed where the caller has no variable.
// An omitted optional text is "", boolean kFalse, int32 0.
//
// Errors: a member raises RuntimeError (overflow 6, division by zero 11, type
// mismatch 13, object not set 91) to its caller and catches none, except
// PlayAudioCd, which ignores every error. Platform results are not checked
// unless a member's comment says so; a failed platform call is silent.
class CWinAPI final {
public:
    // Reads the work area and the cursor once; never raises, wherever the
    // cursor stands (a position beyond the int16 range of MouseY is kept in a
    // wider type and only overflows when MouseY is read).
    explicit CWinAPI(Win32Api& api, std::string appTitle = kAppTitle);
    CWinAPI(const CWinAPI&) = delete;
    CWinAPI& operator=(const CWinAPI&) = delete;

    /* 1 */ void PlaySound(const std::int32_t& func, const std::string& WavFileName = {});
    /* 2 */ void SetMyPosTopMost(const HWND& h, const Bool16& TakeOffMyPosTopMost = kFalse);
    /* 3 */ void SetMyPosOnDesktop(const HWND& h);
    /* 4 */ void HideWindow(const HWND& h, const Bool16& ShowMe = kFalse);
    /* 5 */ void SetSysWorkArea(const std::int16_t& l, const std::int16_t& t, const std::int16_t& r, const std::int16_t& b);
    /* 6 */ void ChangeToolBarStyle(const HWND& ToolBarh);
    /* 7 */ void MakeTransparentForm(const HWND& h);
    /* 8 */ Variant GetSystemFolders(const std::int32_t& func);

    // Adds (func 0), changes (1) or removes (2) the tray icon of window h (id
    // 1), whose mouse activity the shell reports to h as WM_MOUSEMOVE; other
    // values do nothing. p's handle is read first, for every func, so an
    // unset p raises object-not-set even for a delete.
    /* 9 */ void TrayIcon(const std::int32_t& func, const HWND& h, const std::string& sName, const Picture& p);
    // Turns the x coordinate (twips) of a tray notification back into the mouse
    // message the shell reported (512..521, else 0) and leaves the pixel
    // value in the caller's X.
    /* 10 */ std::int32_t TryIcnRtnMsg(float& X);
    // Puts chkbmp on an item of a drop-down menu of h's menu bar as both its
    // unchecked and its checked image.
    /* 11 */ void MenuBitmaps(const HWND& h, const std::uint8_t& subMenu, const std::uint8_t& MenuID, const Picture& chkbmp);

    /* 12 */ void MoveFormWithoutBorders(const HWND& h);
    /* 13 */ void Launch(const std::int32_t& func);
    /* 14 */ void SetDeskWallPaper(const std::uint8_t& func, const std::string& sBitmapFile = {});
    /* 15 */ void ExitWindows(const std::int32_t& func);
    /* 16 */ void RetrieveIcon(const std::string& fName, const HDC& DC, const std::int32_t& icnSize);
    /* 17 */ std::string RetrieveFileTypeName(const std::string& fName);
    /* 18 */ void TaskBar(const std::uint8_t& func);
    /* 19 */ void ShowMouse(const std::int32_t& cur);
    /* 20 */ void StartScreenSaver(const HWND& handle);
    /* 21 */ void SetHotKey(const HWND& h, const std::int32_t& key);
    /* 22 */ Bool16 SoundCardDetect();
    // Waits until the first clock second that reaches now + HowLong (rounded
    // to whole seconds), handling the owner's events meanwhile and sleeping
    // between them. RuntimeError(5) when the end is no date at all.
    /* 23 */ void Delay(const double& HowLong);
    /* 24 */ void DocumentList(std::string& func, const std::string& sName = {});
    /* 25 */ void PlayAvi(const std::string& sFile);
    // Opens with the program the shell associates: the recycle bin (26), an
    // address or document (27), a file with parameters, maximised (28); when
    // 27 or 28 gets an error below 32 the open-with dialog is offered for the
    // file, and a dialog that cannot be started raises file-not-found.
    // SendEmail prefixes the caller's address with "mailto:" and opens it.
    /* 26 */ void ShowRecycleBin(const HWND& h);
    /* 27 */ void OpenWebSite(const std::string& sFile, const HWND& handle);
    /* 28 */ void ExecuteFile(const std::string& sFile, const HWND& handle, const std::string& sParams = {});
    /* 29 */ void SendEmail(std::string& address, const HWND& handle);

    // Pixels to twips: no x the twips per pixel of the X axis, or of the Y axis
    // when YValue is non-zero. A double.
    /* 30 */ Variant PtoT(const Variant& no, const Bool16& YValue = kFalse);
    // Twips to pixels with the same choice of axis: no and the factor are each
    // rounded to whole numbers, then divided with the quotient truncated
    // toward zero (an int32; 22 twips at 15 give 1).
    /* 31 */ Variant TtoP(const Variant& no, const Bool16& YValue = kFalse);
    // Moves the cursor to screen pixel (xx, yy).
    /* 32 */ void SetMousePos(const std::int32_t& xx, const std::int32_t& yy);

    // The work area's edges and the cursor position in twips, read from the
    // system at every call (each read re-runs construction). An edge beyond
    // the int16 range raises an overflow.
    /* 33 */ std::int16_t WorkAreaLeft();
    /* 34 */ std::int16_t WorkAreaTop();
    /* 35 */ std::int16_t WorkAreaRight();
    /* 36 */ std::int16_t MouseX();
    /* 37 */ std::int16_t MouseY();
    /* 38 */ std::int16_t WorkAreaBottom();

    // Shows the member catalogue, a fixed text, in a message box with an OK
    // button, captioned with the application's title.
    /* 39 */ void ListFunc();

    /* 40 */ void RegistryValueS(const std::string& sKey, const std::string& sValueName, const std::string& sValue, const HKEY& home);
    /* 41 */ void RegistryValueD(const std::string& sKey, const std::string& sValueName, const std::string& sValue, const HKEY& home);
    /* 42 */ void RegistryValueB(const std::string& sKey, const std::string& sValueName, const std::uint8_t& sValue, const HKEY& home);
    /* 43 */ Variant RegistryGetValue(const std::string& sKey, const std::string& sValueName, Variant& sValue, std::int32_t& nValuetype, const HKEY& home);
    /* 44 */ void RegistryRun(const std::string& sValueName, const std::string& sValue);
    /* 45 */ void RegistryDeleteValue(const std::string& sKey, const std::string& sValueName, const HKEY& home);
    /* 46 */ void RegistryNewKey(const std::string& sKeyName, const HKEY& home);
    /* 47 */ void RegistryDeletekey(const std::string& sSubKey, const std::string& sKey, const HKEY& home);
    /* 48 */ void RegistryCreateRightClickAccess(const std::string& sName, std::string& sPath);
    /* 49 */ void RegistryCreateAssociation(const std::string& sFileExtension_3Chars, const std::string& sProgramType, std::string& sPath, const std::string& sProgramName = {});
    /* 50 */ void RegistryEnumerateKeys(const std::string& sValue, const HWND& handleListbox, const HKEY& home);
    /* 51 */ void RegistryEnumerateValues(const std::string& sValue, const HWND& handleListboxEntries, const HWND& handleListboxValues, const HKEY& home);
    /* 52 */ void DisableCtrlAltDelete(const Bool16& bDisable);
    // Lists the entries matching SearchStr in path (given a trailing "\") and,
    // unless DontLookInSubFolders, depth first in each subfolder after the
    // folder's own; counts them and the folders into the caller's int16
    // counters (overflow past 32,767) and returns their exact total size, or
    // empty when nothing matched. Serves pending events once per entry.
    /* 53 */ Variant FindFilesAPI(std::string& path, const std::string& SearchStr, std::int16_t& FileCount, std::int16_t& DirCount, const HWND& handleListbox = 0, const Bool16& SendBackInFilename_PathFormat = kFalse, const Bool16& DontLookInSubFolders = kFalse);
    // Free, used and total bytes of the drive named by sPath's first character.
    /* 54 */ Variant DiskSpace(const std::string& sPath, double& dFree, double& dUsed, double& dTotal);
    /* 55 */ void PlayAudioCd(const std::int16_t& TrackNum, const Bool16& StopPlaying = kFalse);
    /* 56 */ void AutoRun(const std::int32_t& drv);
    // 0: the computer name, 2: the user name; 1: sets the computer name for
    // the next start (CmpName not empty); other values do nothing.
    /* 57 */ std::string ComputerName(const std::int32_t& func, const std::string& CmpName = {});
    // The volume's label and file-system name into the caller's buffers (as
    // they come back, not cut at the NUL), its serial, name limit and flags.
    /* 58 */ Variant DiskVolumeInfo(std::string& sPath, std::string& sDriveName, const std::int32_t& lLength, std::int32_t& lSerialNo, std::int32_t& lMaximumChar, std::int32_t& lFileSystemFlags, std::string& sNameOfFileSystem, const std::int32_t& lLeng);
    /* 59 */ std::int32_t RegEnumKeys(const std::string& rgeSubKey, const HWND& handleListbox, const HKEY& rgeMainKey);
    /* 60 */ void RegEnumValues(const std::string& rgeSubKey, const HWND& handleListboxEntries, const HWND& handleListboxValues, const HKEY& rgeMainKey);

private:
    // Construction: resets the cached values, reads the work area into
    // m_workAreaRect and the cursor into m_cursorPoint, and converts both to
    // twips. Called once by the constructor and again by every property read.
    void initialise();

    // Registry steps the members share. Each opens its key with access 3
    // (query and set value), never creating it, and closes it again; a key
    // that cannot be opened leaves the handle 0 and the calls on it fail.
    // Writes one value under an open key: REG_SZ as the text and one NUL,
    // REG_BINARY and REG_DWORD as the value converted to int32 (4 bytes,
    // least significant first); any other type writes nothing. The status.
    LONG PutValueData(HKEY key, const std::string& name, std::int32_t type, const Variant& value);
    // Reads one value into `value`, `type` choosing the form (REG_SZ: a text,
    // cut at its NUL, 255 spaces when nothing was read; REG_BINARY or
    // REG_DWORD: an int32 starting from value's own) and receiving the stored
    // type; any other type reads nothing. The status.
    LONG FetchValueData(HKEY key, const std::string& name, std::int32_t& type, Variant& value);
    // The part of `text` before its first NUL; `text` is cut as well.
    static std::string StripAtNull(std::string& text);
    // The same without changing the argument; a NUL beyond position 32767
    // raises an overflow (the position is an int16).
    static Variant StripAtNullVariant(const std::string& text);
    // Creates a key path (every missing key on it) and closes it.
    void CreateKeyPath(const std::string& path, HKEY root);
    void WriteKeyValue(const std::string& path, const std::string& name, const Variant& value, std::int32_t type,
                       const Variant& root);
    LONG ReadKeyValue(const std::string& path, const std::string& name, Variant& value, std::int32_t& type,
                      const Variant& root);
    // Deletes `subKey` of root\path.
    void RemoveSubKey(const Variant& root, const std::string& path, const std::string& subKey);
    void RemoveKeyValue(const Variant& root, const std::string& path, const std::string& name);

    Win32Api& m_api;
    std::string m_appTitle;

    // In pixels: the system work area as last read (SetSysWorkArea stores the
    // requested area here until the next property read reads it again).
    WinRect m_workAreaRect;
    WinPoint m_cursorPoint;
    // In twips, unrounded; converted to int16 only when a property is read.
    double m_workAreaLeft = 0;
    double m_workAreaTop = 0;
    double m_workAreaRight = 0;
    double m_workAreaBottom = 0;
    double m_mouseX = 0;
    double m_mouseY = 0;
    // The shell's file record, reused by RetrieveIcon and RetrieveFileTypeName.
    ShFileInfoA m_fileInfo;
};

} // namespace tarnquill

