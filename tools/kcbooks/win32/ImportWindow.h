#pragma once

// kcbooks.exe's window: books brought in without a console. A books folder or a journal dropped
// on the program (or on the window), or picked in it, is looked at (FoundBooks); the user checks
// or changes what was found, and 取り込む imports it (ImportRun) while the window shows that it
// works, then the result or the refusal. It offers to point the kcbooks.ini of the editions beside
// the program at the new store.

#include <string>
#include <vector>

namespace kcbooks {

// Whether kcbooks.exe started with `arguments` (after its name) opens the window: started with
// none (帳簿の取り込み in the Start menu), or with one path, which is a drop. A command word or an
// option makes it the console command.
bool OpensImportWindow(const std::vector<std::string>& arguments);

// Runs the window, `dropped` (UTF-8) found first when given. The process's status: 0 when books
// were imported, 1 when the last import was refused or failed, 2 when none was tried.
int RunImportWindow(const std::string& dropped);

}  // namespace kcbooks
