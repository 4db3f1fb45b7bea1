#include "platform/ScriptedMessageBox.h"

CScriptedMessageBox::CScriptedMessageBox() {
    m_Previous =
        SetMessageBoxHandler([this](const std::string& text, const std::string& caption,
                                    unsigned type) { return Handle(text, caption, type); });
}

CScriptedMessageBox::~CScriptedMessageBox() {
    SetMessageBoxHandler(m_Previous);
}

int CScriptedMessageBox::Handle(const std::string& text, const std::string& caption,
                                unsigned type) {
    int answer = DefaultMessageBoxAnswer(type);
    if (!m_Answers.empty()) {
        answer = m_Answers.front();
        m_Answers.pop_front();
    }
    m_Asked.push_back({text, caption, type, answer});
    return answer;
}
