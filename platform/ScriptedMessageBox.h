#pragma once
// A message-box handler for tests: answers from a queue of scripted results and records
// every box it was shown. Installed for its lifetime, restoring the previous handler.
#include "platform/MessageBox.h"

#include <deque>
#include <string>
#include <vector>

class CScriptedMessageBox {
public:
    struct Asked {
        std::string text;
        std::string caption;
        unsigned type;
        int answer;
    };

    CScriptedMessageBox();
    ~CScriptedMessageBox();
    CScriptedMessageBox(const CScriptedMessageBox&) = delete;
    CScriptedMessageBox& operator=(const CScriptedMessageBox&) = delete;

    // Queues the answers of the next boxes; when the queue is empty the box's default
    // button answers.
    void Answer(int result) { m_Answers.push_back(result); }
    const std::vector<Asked>& Boxes() const { return m_Asked; }
    void Clear() { m_Asked.clear(); }

private:
    int Handle(const std::string& text, const std::string& caption, unsigned type);

    std::deque<int> m_Answers;
    std::vector<Asked> m_Asked;
    MessageBoxHandler m_Previous;
};
