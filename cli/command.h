#pragma once
// remu-cli's subcommands. Each command family registers itself from its own
// source file with a static CommandRegistrar; main.cpp only dispatches.

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace remu::cli {

// The words after the command name: "--name value" options, "--flag" switches
// and plain positional words.
class Args {
public:
    explicit Args(std::vector<std::string> words);
    // The value of --name (also --name=value); nullopt when absent.
    std::optional<std::string> option(const std::string& name) const;
    std::string option(const std::string& name, const std::string& fallback) const;
    bool flag(const std::string& name) const;
    const std::vector<std::string>& positional() const { return positional_; }
    // Options given that the command does not know; empty when all are known.
    std::vector<std::string> unknown(const std::vector<std::string>& known) const;

private:
    friend Args parseArgs(const std::vector<std::string>& words, const std::vector<std::string>& valued);
    std::vector<std::pair<std::string, std::optional<std::string>>> options_;
    std::vector<std::string> positional_;
};

struct Command {
    std::string name;
    std::string usage;    // one or more lines shown by "remu-cli help"
    std::string summary;  // one line
    // Options that take a value (so "--mes 03" is not read as a switch plus a word).
    std::vector<std::string> valued;
    // Exit status: 0 success, 1 the operation refused or failed, 2 wrong usage.
    std::function<int(const Args&)> run;
};

void registerCommand(Command c);
const std::vector<Command>& commands();

struct CommandRegistrar {
    explicit CommandRegistrar(Command c) { registerCommand(std::move(c)); }
};

// Splits argv words into Args, knowing which options take a value.
Args parseArgs(const std::vector<std::string>& words, const std::vector<std::string>& valued);

}  // namespace remu::cli
