#pragma once
// The program's own run-time exceptions.
//
// ERunTimeError is the root of every exception the program raises, so one error report can show
// any of them by its message; it is also the general exception raised with a plain message
// (e.g. "Dispatcher already started"). EConvertError is raised for a text that holds no number
// where one was asked for. EInOutError and EOutOfMemory are the run-time's
// input/output and out-of-memory exceptions that CheckResult raises for system error codes.
// Value types without shared state: any thread may create, copy and throw them.

#include <exception>
#include <string>
#include <utility>

class ERunTimeError : public std::exception {
public:
    explicit ERunTimeError(std::string message) : Message_(std::move(message)) {}

    const char* what() const noexcept override { return Message_.c_str(); }
    const std::string& Message() const noexcept { return Message_; }

private:
    std::string Message_;
};

class EConvertError : public ERunTimeError {
public:
    using ERunTimeError::ERunTimeError;
};

class EInOutError : public ERunTimeError {
public:
    EInOutError(std::string message, int errorCode)
        : ERunTimeError(std::move(message)), ErrorCode(errorCode) {}

    // The system's error number, positive (5 for a result of -5).
    int ErrorCode;
};

class EOutOfMemory : public ERunTimeError {
public:
    EOutOfMemory() : ERunTimeError("Out of memory") {}
};
