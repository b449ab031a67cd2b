#include "reader/CommandNames.h"

#include "reader/RdrCmd.h"

namespace q17 {

const char* CommandName(std::uint16_t code) {
  struct TName {
    std::uint16_t Code;
    const char* Name;
  };
  static constexpr TName kNames[] = {
      {cmd::SetRadioProfile1, "SetRadioProfile1"}, {cmd::SetRadioProfile2, "SetRadioProfile2"},
      {cmd::WriteAtten1, "WriteAtten1"},           {cmd::WriteAtten2, "WriteAtten2"},
      {cmd::ReadAtten1, "ReadAtten1"},             {cmd::ReadAtten2, "ReadAtten2"},
      {cmd::WriteTagMemTime1, "WriteTagMemTime1"}, {cmd::WriteTagMemTime2, "WriteTagMemTime2"},
      {cmd::ReadTagMemTime1, "ReadTagMemTime1"},   {cmd::ReadTagMemTime2, "ReadTagMemTime2"},
      {cmd::ChangeAddress, "ChangeAddress"},       {cmd::ReadVersion, "ReadVersion"},
      {cmd::ReadTagCount1, "ReadTagCount1"},       {cmd::ReadFirstTag1, "ReadFirstTag1"},
      {cmd::ReadNextTag1, "ReadNextTag1"},         {cmd::ReadTagCount2, "ReadTagCount2"},
      {cmd::ReadFirstTag2, "ReadFirstTag2"},       {cmd::ReadNextTag2, "ReadNextTag2"},
      {cmd::AuditClear, "AuditClear"},             {cmd::AuditReadEvent, "AuditReadEvent"},
      {cmd::WriteConfig, "WriteConfig"},           {cmd::ReadConfig, "ReadConfig"},
      {cmd::AuditMode, "AuditMode"},               {cmd::ReadSensors, "ReadSensors"},
      {cmd::RadioTestStart, "RadioTestStart"},     {cmd::RadioTestStop, "RadioTestStop"},
      {cmd::Echo, "Echo"},                         {cmd::SetTime, "SetTime"},
      {cmd::SetDate, "SetDate"},
  };
  for (const TName& n : kNames) {
    if (n.Code == code) return n.Name;
  }
  return nullptr;
}

}  // namespace q17
