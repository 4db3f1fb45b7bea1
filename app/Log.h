#pragma once
// The program's log: one file beside the executable and, when open, the debug console
// (the terminal the program was started from, in ANSI colours). Safe to call from any
// thread; each message is written whole.
#include <cstdio>
#include <string>

// printf-style; at most 511 characters of text, longer text is cut. Use %ls for wide
// string arguments of LogPrint and %s for UTF-8 ones. Both return 0.
int LogPrint(const wchar_t* format, ...);
int LogPrintA(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Writes one UTF-8 message. A message ending in "\n" completes a file line and gets a
// time stamp; one that does not is continued by the next message.
void LogWrite(const std::string& text);

// Creates (truncating) the log file and writes its header; 1 on success, 0 otherwise.
int LogOpen(const std::string& path);
void LogClose();
void LogSystemInfo(bool toFile);

void ConsoleOpen();
void ConsoleClose();
bool IsConsoleOpen();

// Where console output goes (stderr by default, so that it never mixes with the output
// of a command-line tool) and whether it is coloured (by default when it is a terminal).
void LogSetConsoleStream(FILE* stream, bool colours);

// Colour of a console message by its marks; values are the console colour numbers.
int LogConsoleColour(const std::string& text);
