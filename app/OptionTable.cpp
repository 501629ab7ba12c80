#include "app/OptionTable.h"

#include <algorithm>
#include <utility>

#include <CLI/CLI.hpp>

namespace kelmora {

namespace {

// An option's own complaint about its value ends the reading with that text as it stands.
class EBadValue : public CLI::ValidationError {
  public:
    explicit EBadValue(const std::string& message) : CLI::ValidationError(message) {}
};

void ThrowIfBad(const std::string& error) {
    if (!error.empty()) {
        throw EBadValue(error);
    }
}

}  // namespace

TOptionTable::TOptionTable() {
    App.set_help_flag();
    // Unknown words are told by Parse, which knows the command's wording.
    App.allow_extras();
}

void TOptionTable::Value(const std::string& name, TApply apply) {
    App.add_option_function<std::string>(
           name, [apply = std::move(apply)](const std::string& value) { ThrowIfBad(apply(value)); })
        ->multi_option_policy(CLI::MultiOptionPolicy::Throw);
}

void TOptionTable::Text(const std::string& name, std::string& target) {
    Value(name, [&target](const std::string& value) {
        target = value;
        return std::string();
    });
}

void TOptionTable::Text(const std::string& name, std::optional<std::string>& target) {
    Value(name, [&target](const std::string& value) {
        target = value;
        return std::string();
    });
}

void TOptionTable::Flag(const std::string& name, bool& target) {
    App.add_flag(name, target);
}

void TOptionTable::Repeated(const std::string& name,
                            std::function<std::string(const std::vector<std::string>&)> apply) {
    App.add_option_function<std::vector<std::string>>(
           name, [apply = std::move(apply)](
                     const std::vector<std::string>& values) { ThrowIfBad(apply(values)); })
        ->allow_extra_args(false)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
}

void TOptionTable::Word(std::string& target) {
    WordOption = App.add_option("command");
    WordTarget = &target;
}

std::string TOptionTable::Parse(const std::vector<std::string_view>& args,
                                std::string_view unknownTail) {
    std::string error = Read(args, unknownTail);
    // The word as read, even when a mistake later on the line ended the reading: which
    // command the line is for decides whose message that mistake gets.
    if (WordOption != nullptr && !WordOption->results().empty()) {
        *WordTarget = WordOption->results().front();
    }
    return error;
}

std::string TOptionTable::Read(const std::vector<std::string_view>& args,
                               std::string_view unknownTail) {
    // CLI11 reads the words last first. It would take the next word as the value of a bare
    // "--name=", so that form is handed over as the name and an empty word; and it would take
    // "--flag=true", which a flag refuses here.
    std::vector<std::string> words;
    for (auto arg = args.rbegin(); arg != args.rend(); ++arg) {
        const std::size_t eq = arg->find('=');
        const CLI::Option* option = nullptr;
        if (arg->starts_with("--") && eq != std::string_view::npos) {
            option = App.get_option_no_throw(std::string(arg->substr(0, eq)));
        }
        if (option != nullptr && option->get_expected_max() == 0) {
            return "option '" + std::string(arg->substr(0, eq)) + "' takes no value";
        }
        if (option != nullptr && eq + 1 == arg->size()) {
            words.emplace_back();
            words.emplace_back(arg->substr(0, eq));
        } else {
            words.emplace_back(*arg);
        }
    }
    try {
        App.parse(words);
    } catch (const EBadValue& e) {
        return e.what();
    } catch (const CLI::ArgumentMismatch& e) {
        // Too few values or too many uses: CLI11's message starts with the option's name.
        const std::string what = e.what();
        const std::string name = what.substr(0, what.find(':'));
        const CLI::Option* option = App.get_option_no_throw(name);
        return "option '" + name + "' " +
               (option != nullptr && option->count() > 1 ? "may be given only once"
                                                         : "needs a value");
    } catch (const CLI::ParseError& e) {
        return e.what();
    }
    const std::vector<std::string> extra = App.remaining();
    if (extra.empty()) {
        return {};
    }
    const std::string& first = extra.front();
    if (first.size() > 1 && first[0] == '-') {
        return "unknown option '" + first.substr(0, first.find('=')) + "'" +
               std::string(unknownTail);
    }
    return "unexpected argument '" + first + "'";
}

}  // namespace kelmora
