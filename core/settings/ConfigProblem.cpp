#include "core/settings/ConfigProblem.h"

#include "engine/WideText.h"

std::string Corvane::EscapedProblem(const std::string& position, const std::string& description) {
    return Engine::EscapeForLog((position.empty() ? "" : position + ": ") + description);
}

std::string Corvane::DescribeForLog(const ConfigProblem& problem) {
    return "config.json: " + EscapedProblem(problem.position, problem.description);
}
