#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <CLI/App.hpp>

namespace kelmora {

// One command's options, read by CLI11 with the conventions every kelmora-fit command shares:
// "--name value" and "--name=value" (an empty value after "=" kept), a value taken as it stands
// even when it starts with "-", an option with a value given at most once unless it is
// repeatable, flags without values, and every mistake told in one line that names the option.
// --help is an ordinary flag, so that each command decides what a line with it answers.
class TOptionTable {
  public:
    // Reads a value and returns what is wrong with it; empty when it is good.
    using TApply = std::function<std::string(const std::string&)>;

    TOptionTable();

    void Value(const std::string& name, TApply apply);
    void Text(const std::string& name, std::string& target);
    void Text(const std::string& name, std::optional<std::string>& target);
    void Flag(const std::string& name, bool& target);
    // May be given again and again; `apply` sees every value at once, in the line's order.
    void Repeated(const std::string& name,
                  std::function<std::string(const std::vector<std::string>&)> apply);
    // The one word of the line that is neither an option nor its value: the command.
    void Word(std::string& target);

    // Empty when the line reads; otherwise the one-line message. `unknownTail` follows the
    // message about an unknown option.
    std::string Parse(const std::vector<std::string_view>& args, std::string_view unknownTail = {});

  private:
    std::string Read(const std::vector<std::string_view>& args, std::string_view unknownTail);

    CLI::App App;
    CLI::Option* WordOption = nullptr;
    std::string* WordTarget = nullptr;
};

// A command's reading of its line that ends in a usage error (exit 2) with a one-line message.
template <class TArgs>
TArgs UsageError(std::string message) {
    TArgs result;
    result.Kind = TArgs::TKind::UsageError;
    result.Error = std::move(message);
    return result;
}

}  // namespace kelmora
