#include "script/call_var_host.h"

#include "script/call_man.h"

namespace velk {

int32_t TCallVarHost::ParamCount() { return calls_ != nullptr ? calls_->ArgumentCount() : 0; }

std::string TCallVarHost::ParamStr(int32_t i) { return calls_ != nullptr ? calls_->Argument(i) : std::string(); }

std::string TCallVarHost::Sender() { return calls_ != nullptr ? calls_->SenderName() : std::string(); }

int32_t TCallVarHost::StackCount() { return calls_ != nullptr ? calls_->StackCount() : 0; }

TCustomParam* TCallVarHost::ResultValue() { return calls_ != nullptr ? calls_->ReturnValue() : nullptr; }

}  // namespace velk
