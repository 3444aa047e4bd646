#include "app/Resources.h"

#include <map>

#include "app/Icons.h"
#include "app/Resource.h"

namespace {

const std::vector<MenuItemResource> kFileNoDoc = {
    {"新建(&N)\tCtrl+N", ID_FILE_NEW},
    {"打开(&O)...\tCtrl+O", ID_FILE_OPEN},
    {nullptr, 0},
    {"打印设置(&R)...", ID_FILE_PRINT_SETUP},
    {nullptr, 0},
    {"最近文件", ID_FILE_MRU_FILE1},
    {nullptr, 0},
    {"退出(&X)", ID_APP_EXIT},
};

const std::vector<MenuItemResource> kFileDoc = {
    {"新建(&N)\tCtrl+N", ID_FILE_NEW},
    {"打开(&O)...\tCtrl+O", ID_FILE_OPEN},
    {"关闭(&C)", ID_FILE_CLOSE},
    {"保存(&S)\tCtrl+S", ID_FILE_SAVE},
    {"另存为(&A)...", ID_FILE_SAVE_AS},
    {nullptr, 0},
    {"打印(&P)...\tCtrl+P", ID_FILE_PRINT},
    {"打印预览(&V)", ID_FILE_PRINT_PREVIEW},
    {"打印设置(&R)...", ID_FILE_PRINT_SETUP},
    {nullptr, 0},
    {"最近文件", ID_FILE_MRU_FILE1},
    {nullptr, 0},
    {"退出(&X)", ID_APP_EXIT},
};

const std::vector<MenuItemResource> kView = {
    {"工具栏(&T)", ID_VIEW_TOOLBAR},
    {"状态栏(&S)", ID_VIEW_STATUS_BAR},
};

const std::vector<MenuItemResource> kHelp = {
    {"关于 Torvex(&A)...", ID_APP_ABOUT},
};

} // namespace

const std::vector<PopupResource>& CTorvexResources::LoadMenu(UINT id) const {
    static const std::vector<PopupResource> mainframe = {
        {"文件(&F)", kFileNoDoc},
        {"查看(&V)", kView},
        {"帮助(&H)", kHelp},
    };
    static const std::vector<PopupResource> document = {
        {"文件(&F)", kFileDoc},
        {"编辑(&E)",
         {{"撤消(&U)\tCtrl+Z", ID_EDIT_UNDO},
          {nullptr, 0},
          {"剪切(&T)\tCtrl+X", ID_EDIT_CUT},
          {"复制(&C)\tCtrl+C", ID_EDIT_COPY},
          {"粘贴(&P)\tCtrl+V", ID_EDIT_PASTE}}},
        {"查看(&V)", kView},
        {"窗口(&W)",
         {{"新建窗口(&N)", ID_WINDOW_NEW},
          {"层叠(&C)", ID_WINDOW_CASCADE},
          {"平铺(&T)", ID_WINDOW_TILE_HORZ},
          {"排列图标(&A)", ID_WINDOW_ARRANGE}}},
        {"帮助(&H)", kHelp},
        {"Warping",
         {{"Control Points", ID_CONTROL_POINTS},
          {"Do Warping", ID_DO_WARPING},
          {"Option...", ID_OPTION}}},
    };
    static const std::vector<PopupResource> none;
    return id == IDR_TORVXTYPE ? document : id == IDR_MAINFRAME ? mainframe : none;
}

const std::vector<AcceleratorResource>& CTorvexResources::LoadAccelerators(UINT id) const {
    static const std::vector<AcceleratorResource> table = {
        {"Ctrl+N", ID_FILE_NEW},    {"Ctrl+O", ID_FILE_OPEN},   {"Ctrl+S", ID_FILE_SAVE},
        {"Ctrl+P", ID_FILE_PRINT},  {"Ctrl+Z", ID_EDIT_UNDO},   {"Ctrl+X", ID_EDIT_CUT},
        {"Ctrl+C", ID_EDIT_COPY},   {"Ctrl+V", ID_EDIT_PASTE},  {"Alt+Backspace", ID_EDIT_UNDO},
        {"Shift+Del", ID_EDIT_CUT}, {"Ctrl+Ins", ID_EDIT_COPY}, {"Shift+Ins", ID_EDIT_PASTE},
        {"F6", ID_NEXT_PANE},       {"Shift+F6", ID_PREV_PANE},
    };
    static const std::vector<AcceleratorResource> none;
    return id == IDR_MAINFRAME ? table : none;
}

const std::vector<UINT>& CTorvexResources::LoadToolBar(UINT id) const {
    static const std::vector<UINT> buttons = {ID_FILE_NEW,   ID_FILE_OPEN,
                                              ID_FILE_SAVE,  0,
                                              ID_EDIT_CUT,   ID_EDIT_COPY,
                                              ID_EDIT_PASTE, 0,
                                              ID_FILE_PRINT, 0,
                                              ID_APP_ABOUT};
    static const std::vector<UINT> none;
    return id == IDR_MAINFRAME ? buttons : none;
}

QIcon CTorvexResources::LoadToolBarImage(UINT toolbarId, UINT commandId) const {
    return toolbarId == IDR_MAINFRAME ? ToolbarIcon(commandId) : QIcon();
}

QIcon CTorvexResources::LoadIcon(UINT id) const {
    return id == IDR_MAINFRAME ? ApplicationIcon() : QIcon();
}

QString CTorvexResources::LoadString(UINT id) const {
    static const std::map<UINT, const char*> table = {
        {IDR_MAINFRAME, "Torvex"},
        {IDR_TORVXTYPE, "\nTorvx\nTorvx\n\n\nTorvex.Document\nTorvx Document"},
        {AFX_IDS_APP_TITLE, "Torvex"},
        {AFX_IDS_IDLEMESSAGE, "就绪"},
        // Command prompts: status-bar text, then the tooltip.
        {ID_FILE_NEW, "创建新文档\n新建"},
        {ID_FILE_OPEN, "打开现有文档\n打开"},
        {ID_FILE_CLOSE, "关闭活动文档\n关闭"},
        {ID_FILE_SAVE, "保存活动文档\n保存"},
        {ID_FILE_SAVE_AS, "用新名称保存活动文档\n另存为"},
        {ID_FILE_PRINT_SETUP, "更改打印机和打印选项\n打印设置"},
        {ID_FILE_PRINT, "打印活动文档\n打印"},
        {ID_FILE_PRINT_PREVIEW, "显示整页\n打印预览"},
        {ID_FILE_MRU_FILE1, "打开此文档"},
        {ID_FILE_MRU_FILE1 + 1, "打开此文档"},
        {ID_FILE_MRU_FILE1 + 2, "打开此文档"},
        {ID_FILE_MRU_FILE1 + 3, "打开此文档"},
        {ID_APP_EXIT, "退出应用程序\n退出"},
        {ID_EDIT_UNDO, "撤消上一操作\n撤消"},
        {ID_EDIT_CUT, "剪切所选内容并放到剪贴板上\n剪切"},
        {ID_EDIT_COPY, "复制所选内容并放到剪贴板上\n复制"},
        {ID_EDIT_PASTE, "插入剪贴板内容\n粘贴"},
        {ID_VIEW_TOOLBAR, "显示或隐藏工具栏\n切换工具栏"},
        {ID_VIEW_STATUS_BAR, "显示或隐藏状态栏\n切换状态栏"},
        {ID_WINDOW_NEW, "为活动文档打开另一个窗口\n新建窗口"},
        {ID_WINDOW_CASCADE, "以重叠方式排列窗口\n层叠窗口"},
        {ID_WINDOW_TILE_HORZ, "以平铺方式排列窗口\n平铺窗口"},
        {ID_WINDOW_ARRANGE, "在窗口底部排列图标\n排列图标"},
        {ID_APP_ABOUT, "显示程序信息和版本号\n关于"},
        {ID_CONTROL_POINTS, "按下并拖动鼠标放置控制点对\n控制点"},
        {ID_DO_WARPING, "用当前方法变形图像\n变形"},
        {ID_OPTION, "选择变形方法\n选项"},
        {ID_INDICATOR_CAPS, "CAP"},
        {ID_INDICATOR_NUM, "NUM"},
        {ID_INDICATOR_SCRL, "SCRL"},
    };
    const auto it = table.find(id);
    return it == table.end() ? QString() : QString::fromUtf8(it->second);
}

const CTorvexResources& TorvexResources() {
    static const CTorvexResources resources;
    return resources;
}
