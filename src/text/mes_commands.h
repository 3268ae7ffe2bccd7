#pragma once
// The message commands (TextIns, TextClr, ClrRead, and the history's FormatHist, CallHist and
// ClrHist), the history's functions (GetHistoryCount, GetHistoryMaxCount,
// SetHistoryMaxCount) and system variables ("@HistoryCount", "@HistoryMaxCount").
#include <memory>

namespace vesk {

class TCommandHandlers;
class TCustomParam;
class TVeskBaseList;
class TVeskHistoryFormatManager;
class TVeskReadList;
struct SysFuncCall;

void RegisterTextCommands(TCommandHandlers& handlers, TVeskBaseList& root,
                          TVeskHistoryFormatManager& histories, TVeskReadList& readList);

// Runs a history function; false for any other function.
bool ExecHistoryFunc(TVeskHistoryFormatManager& histories, SysFuncCall& call);
// The history's system variables (the default format's); null for any other variable.
std::unique_ptr<TCustomParam> ReadHistoryVar(TVeskHistoryFormatManager& histories, int id);
// True when the variable was the history's.
bool WriteHistoryVar(TVeskHistoryFormatManager& histories, int id, const TCustomParam& value);

}  // namespace vesk
