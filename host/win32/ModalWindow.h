#pragma once

// A modal window of the system's tools, made from its dialog template (kcbooks.exe's import
// window, kcoffice.exe's window): its messages reach the derived window's Handle, which reads
// and writes its controls through what is here.

#include <shlobj.h>

#include <optional>
#include <string>

#include "host/win32/Win32Api.h"

class ModalWindow {
public:
    ModalWindow(const ModalWindow&) = delete;
    ModalWindow& operator=(const ModalWindow&) = delete;

protected:
    ModalWindow() = default;
    virtual ~ModalWindow() = default;

    // Shows the window of `templateId` until it ends.
    void RunModal(int templateId) {
        DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId), nullptr, &Proc,
                        reinterpret_cast<LPARAM>(this));
    }

    // Every message the window gets from WM_INITDIALOG on; window_ is set by then.
    virtual INT_PTR Handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam) = 0;

    HWND Item(int id) const { return GetDlgItem(window_, id); }
    std::wstring Text(int id) const {
        std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(Item(id))) + 1, L'\0');
        text.resize(static_cast<std::size_t>(
            GetWindowTextW(Item(id), text.data(), static_cast<int>(text.size()))));
        return text;
    }
    void SetText(int id, const std::wstring& text) { SetWindowTextW(Item(id), text.c_str()); }
    // The focus moved as Tab moves it, so the control's default button follows.
    void FocusOn(int id) {
        SendMessageW(window_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Item(id)), TRUE);
    }

    // The shell's folder picker headed by `title`: the folder picked, or none when cancelled.
    std::optional<std::wstring> PickFolder(const wchar_t* title) const {
        BROWSEINFOW browse{};
        browse.hwndOwner = window_;
        browse.lpszTitle = title;
        browse.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
        LPITEMIDLIST item = SHBrowseForFolderW(&browse);
        if (!item) return std::nullopt;
        std::wstring path(MAX_PATH, L'\0');
        const bool named = SHGetPathFromIDListW(item, path.data()) != FALSE;
        CoTaskMemFree(item);
        if (!named) return std::nullopt;
        path.resize(wcslen(path.c_str()));
        return path;
    }

    HWND window_ = nullptr;

private:
    static INT_PTR CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_INITDIALOG) {
            SetWindowLongPtrW(window, DWLP_USER, lParam);
            reinterpret_cast<ModalWindow*>(lParam)->window_ = window;
        }
        auto* self = reinterpret_cast<ModalWindow*>(GetWindowLongPtrW(window, DWLP_USER));
        return self ? self->Handle(window, message, wParam, lParam) : FALSE;
    }
};
