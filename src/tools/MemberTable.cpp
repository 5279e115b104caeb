// SPDX-License-Identifier: MIT
#include "tools/MemberTable.h"

#include <stdexcept>
#include <tuple>
#include <type_traits>
#include <utility>

namespace tarnquill::tool {

namespace {

template <typename T>
constexpr Type storedType()
{
    if constexpr (std::is_same_v<T, std::int32_t>)
        return Type::Int32;
    else if constexpr (std::is_same_v<T, std::int16_t>)
        return Type::Int16;
    else if constexpr (std::is_same_v<T, std::uint8_t>)
        return Type::UInt8;
    else if constexpr (std::is_same_v<T, float>)
        return Type::Single;
    else if constexpr (std::is_same_v<T, double>)
        return Type::Double;
    else if constexpr (std::is_same_v<T, std::string>)
        return Type::String;
    else if constexpr (std::is_same_v<T, tarnquill::Variant>)
        return Type::Variant;
    else if constexpr (std::is_same_v<T, Picture>)
        return Type::Picture;
    else
        static_assert(sizeof(T) == 0, "a CWinAPI type without a command-line form");
}

// A word of a signature text: "name", "[name]" (optional), either with
// ":type" where the C++ type alone does not tell (boolean for an int16,
// key or listbox for an int32).
struct Word {
    std::string name;
    std::string annotation;
    bool optional = false;
};

Word readWord(std::string_view text)
{
    Word word;
    if (text.size() >= 2 && text.front() == '[' && text.back() == ']') {
        word.optional = true;
        text = text.substr(1, text.size() - 2);
    }
    const auto colon = text.find(':');
    word.name = std::string(text.substr(0, colon));
    if (colon != std::string_view::npos)
        word.annotation = std::string(text.substr(colon + 1));
    return word;
}

Type refine(Type stored, const std::string& annotation, const std::string& where)
{
    if (annotation.empty())
        return stored;
    if (annotation == "boolean" && stored == Type::Int16)
        return Type::Boolean;
    if (annotation == "key" && stored == Type::Int32)
        return Type::Key;
    if (annotation == "listbox" && stored == Type::Int32)
        return Type::ListBox;
    throw std::logic_error(where + ": ':" + annotation + "' does not fit a " + std::string(typeName(stored)));
}

template <typename Arg>
constexpr bool isByRef = std::is_lvalue_reference_v<Arg> && !std::is_const_v<std::remove_reference_t<Arg>>;

template <auto Fn, typename R, typename... A, std::size_t... I>
Value invoke(CWinAPI& api, std::vector<Value>& values, std::index_sequence<I...>)
{
    if constexpr (std::is_void_v<R>) {
        (api.*Fn)(std::get<std::decay_t<A>>(values[I])...);
        return std::monostate{};
    } else {
        return Value(std::in_place_type<R>, (api.*Fn)(std::get<std::decay_t<A>>(values[I])...));
    }
}

// The entry for member Fn, whose parameters' names (and optional marks and
// type refinements) are the words of `signature`, in order, then
// "-> boolean" where an int16 result is a truth value.
template <auto Fn, typename R, typename... A>
Member makeMember(R (CWinAPI::*)(A...), std::string name, std::string_view signature)
{
    std::vector<Word> words;
    std::string resultAnnotation;
    while (!signature.empty()) {
        const auto space = signature.find(' ');
        const std::string_view text = signature.substr(0, space);
        signature = space == std::string_view::npos ? std::string_view() : signature.substr(space + 1);
        if (text == "->") {
            resultAnnotation = std::string(signature);
            break;
        }
        if (!text.empty())
            words.push_back(readWord(text));
    }
    if (words.size() != sizeof...(A))
        throw std::logic_error(name + ": the signature names " + std::to_string(words.size()) + " of "
                               + std::to_string(sizeof...(A)) + " arguments");

    Member member;
    member.name = std::move(name);
    constexpr Type stored[] = {storedType<std::decay_t<A>>()..., Type::Int32};
    constexpr bool byRef[] = {isByRef<A>..., false};
    for (std::size_t i = 0; i < words.size(); ++i) {
        const Word& word = words[i];
        if (!word.optional && i > 0 && words[i - 1].optional)
            throw std::logic_error(member.name + ": a required argument after an optional one");
        member.params.push_back(
            {word.name, refine(stored[i], word.annotation, member.name + " " + word.name), byRef[i], word.optional});
    }
    if constexpr (!std::is_void_v<R>)
        member.result = refine(storedType<R>(), resultAnnotation, member.name);
    member.call = [](CWinAPI& api, std::vector<Value>& values) {
        return invoke<Fn, R, A...>(api, values, std::index_sequence_for<A...>{});
    };
    return member;
}

#define TQ_MEMBER(fn, signature) makeMember<&CWinAPI::fn>(&CWinAPI::fn, #fn, signature)

std::vector<Member> buildTable()
{
    return {
        TQ_MEMBER(PlaySound, "func [WavFileName]"),
        TQ_MEMBER(SetMyPosTopMost, "h [TakeOffMyPosTopMost:boolean]"),
        TQ_MEMBER(SetMyPosOnDesktop, "h"),
        TQ_MEMBER(HideWindow, "h [ShowMe:boolean]"),
        TQ_MEMBER(SetSysWorkArea, "l t r b"),
        TQ_MEMBER(ChangeToolBarStyle, "ToolBarh"),
        TQ_MEMBER(MakeTransparentForm, "h"),
        TQ_MEMBER(GetSystemFolders, "func"),
        TQ_MEMBER(TrayIcon, "func h sName p"),
        TQ_MEMBER(TryIcnRtnMsg, "X"),
        TQ_MEMBER(MenuBitmaps, "h subMenu MenuID chkbmp"),
        TQ_MEMBER(MoveFormWithoutBorders, "h"),
        TQ_MEMBER(Launch, "func"),
        TQ_MEMBER(SetDeskWallPaper, "func [sBitmapFile]"),
        TQ_MEMBER(ExitWindows, "func"),
        TQ_MEMBER(RetrieveIcon, "fName DC icnSize"),
        TQ_MEMBER(RetrieveFileTypeName, "fName"),
        TQ_MEMBER(TaskBar, "func"),
        TQ_MEMBER(ShowMouse, "cur"),
        TQ_MEMBER(StartScreenSaver, "handle"),
        TQ_MEMBER(SetHotKey, "h key"),
        TQ_MEMBER(SoundCardDetect, "-> boolean"),
        TQ_MEMBER(Delay, "HowLong"),
        TQ_MEMBER(DocumentList, "func [sName]"),
        TQ_MEMBER(PlayAvi, "sFile"),
        TQ_MEMBER(ShowRecycleBin, "h"),
        TQ_MEMBER(OpenWebSite, "sFile handle"),
        TQ_MEMBER(ExecuteFile, "sFile handle [sParams]"),
        TQ_MEMBER(SendEmail, "address handle"),
        TQ_MEMBER(PtoT, "no [YValue:boolean]"),
        TQ_MEMBER(TtoP, "no [YValue:boolean]"),
        TQ_MEMBER(SetMousePos, "xx yy"),
        TQ_MEMBER(WorkAreaLeft, ""),
        TQ_MEMBER(WorkAreaTop, ""),
        TQ_MEMBER(WorkAreaRight, ""),
        TQ_MEMBER(MouseX, ""),
        TQ_MEMBER(MouseY, ""),
        TQ_MEMBER(WorkAreaBottom, ""),
        TQ_MEMBER(ListFunc, ""),
        TQ_MEMBER(RegistryValueS, "sKey sValueName sValue home:key"),
        TQ_MEMBER(RegistryValueD, "sKey sValueName sValue home:key"),
        TQ_MEMBER(RegistryValueB, "sKey sValueName sValue home:key"),
        TQ_MEMBER(RegistryGetValue, "sKey sValueName sValue nValuetype home:key"),
        TQ_MEMBER(RegistryRun, "sValueName sValue"),
        TQ_MEMBER(RegistryDeleteValue, "sKey sValueName home:key"),
        TQ_MEMBER(RegistryNewKey, "sKeyName home:key"),
        TQ_MEMBER(RegistryDeletekey, "sSubKey sKey home:key"),
        TQ_MEMBER(RegistryCreateRightClickAccess, "sName sPath"),
        TQ_MEMBER(RegistryCreateAssociation, "sFileExtension_3Chars sProgramType sPath [sProgramName]"),
        TQ_MEMBER(RegistryEnumerateKeys, "sValue handleListbox:listbox home:key"),
        TQ_MEMBER(RegistryEnumerateValues,
                  "sValue handleListboxEntries:listbox handleListboxValues:listbox home:key"),
        TQ_MEMBER(DisableCtrlAltDelete, "bDisable:boolean"),
        TQ_MEMBER(FindFilesAPI, "path SearchStr FileCount DirCount [handleListbox:listbox] "
                                "[SendBackInFilename_PathFormat:boolean] [DontLookInSubFolders:boolean]"),
        TQ_MEMBER(DiskSpace, "sPath dFree dUsed dTotal"),
        TQ_MEMBER(PlayAudioCd, "TrackNum [StopPlaying:boolean]"),
        TQ_MEMBER(AutoRun, "drv"),
        TQ_MEMBER(ComputerName, "func [CmpName]"),
        TQ_MEMBER(DiskVolumeInfo,
                  "sPath sDriveName lLength lSerialNo lMaximumChar lFileSystemFlags sNameOfFileSystem lLeng"),
        TQ_MEMBER(RegEnumKeys, "rgeSubKey handleListbox:listbox rgeMainKey:key"),
        TQ_MEMBER(RegEnumValues, "rgeSubKey handleListboxEntries:listbox handleListboxValues:listbox rgeMainKey:key"),
    };
}

#undef TQ_MEMBER

} // namespace

std::size_t Member::requiredCount() const
{
    std::size_t count = 0;
    while (count < params.size() && !params[count].optional)
        ++count;
    return count;
}

std::string Member::signature() const
{
    std::string text = name;
    for (const Param& param : params) {
        text += ' ';
        std::string word = param.name + ':' + std::string(typeName(param.type)) + (param.byRef ? "&" : "");
        text += param.optional ? '[' + word + ']' : word;
    }
    if (result)
        text += " -> " + std::string(typeName(*result));
    return text;
}

const std::vector<Member>& members()
{
    static const std::vector<Member> table = buildTable();
    return table;
}

const Member* findMember(std::string_view name)
{
    for (const Member& member : members()) {
        if (sameIgnoringCase(member.name, name))
            return &member;
    }
    return nullptr;
}

} // namespace tarnquill::tool
