<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>CommandSender</name>
    <message>
        <source>串口未打开</source>
        <translation>Port not open</translation>
    </message>
    <message>
        <source>开始采样指令已发送</source>
        <translation>Start command sent</translation>
    </message>
    <message>
        <source>开始采样指令发送失败</source>
        <translation>Start command failed</translation>
    </message>
    <message>
        <source>停止采样指令已发送</source>
        <translation>Stop command sent</translation>
    </message>
    <message>
        <source>停止采样指令发送失败</source>
        <translation>Stop command failed</translation>
    </message>
    <message>
        <source>清零指令已发送</source>
        <translation>Zero command sent</translation>
    </message>
    <message>
        <source>清零指令发送失败</source>
        <translation>Zero command failed</translation>
    </message>
    <message>
        <source>读取零点值指令已发送</source>
        <translation>Zero-value request sent</translation>
    </message>
    <message>
        <source>读取零点值指令发送失败</source>
        <translation>Zero-value read failed</translation>
    </message>
    <message>
        <source>设置频率指令已发送</source>
        <translation>Set-rate command sent</translation>
    </message>
    <message>
        <source>设置频率指令发送失败</source>
        <translation>Set rate failed</translation>
    </message>
    <message>
        <source>发送成功</source>
        <translation>Sent</translation>
    </message>
    <message>
        <source>发送失败</source>
        <translation>Send failed</translation>
    </message>
</context>
<context>
    <name>ExportControl</name>
    <message>
        <source>已导出 %1 帧到 &quot;%2&quot;</source>
        <translation>Exported %1 frames to &quot;%2&quot;</translation>
    </message>
    <message>
        <source>（校验错误 %1 帧，损坏的行 %2 行）</source>
        <translation> (%1 frames with checksum errors, %2 damaged lines)</translation>
    </message>
    <message>
        <source>导出</source>
        <translation>Export</translation>
    </message>
    <message>
        <source>导出当前记录...</source>
        <translation>Export current record...</translation>
    </message>
    <message>
        <source>导出载入的记录...</source>
        <translation>Export loaded record...</translation>
    </message>
    <message>
        <source>导出会话文件...</source>
        <translation>Export session file...</translation>
    </message>
    <message>
        <source>正在导出...</source>
        <translation>Exporting...</translation>
    </message>
    <message>
        <source>CSV 文件|*.csv|EDF+ 文件|*.edf</source>
        <translation>CSV files|*.csv|EDF+ files|*.edf</translation>
    </message>
</context>
<context>
    <name>FormViews</name>
    <message>
        <source>停止采样</source>
        <translation>Stop
sampling</translation>
    </message>
    <message>
        <source>开始采样</source>
        <translation>Start
sampling</translation>
    </message>
</context>
<context>
    <name>FrameParser</name>
    <message>
        <source>启动采样！</source>
        <translation>Sampling started!</translation>
    </message>
    <message>
        <source>停止采样！</source>
        <translation>Sampling stopped!</translation>
    </message>
    <message>
        <source>清零成功！</source>
        <translation>Zeroing done!</translation>
    </message>
    <message>
        <source>%1频率设置成功！</source>
        <translation>Rate set to %1!</translation>
    </message>
</context>
<context>
    <name>LiveAnalysis</name>
    <message>
        <source>脉率: --</source>
        <translation>Pulse rate: --</translation>
    </message>
    <message>
        <source>脉率: %1 bpm</source>
        <translation>Pulse rate: %1 bpm</translation>
    </message>
    <message>
        <source>信号质量: 良好</source>
        <translation>Signal quality: good</translation>
    </message>
    <message>
        <source>信号质量: 较差</source>
        <translation>Signal quality: poor</translation>
    </message>
    <message>
        <source>信号质量: 无脉搏</source>
        <translation>Signal quality: no pulse</translation>
    </message>
    <message>
        <source>显示心搏</source>
        <translation>Show beats</translation>
    </message>
</context>
<context>
    <name>MainControls</name>
    <message>
        <source>毫巴</source>
        <translation>mbar</translation>
    </message>
    <message>
        <source>毫米汞柱</source>
        <translation>mmHg</translation>
    </message>
    <message>
        <source>毫米水柱</source>
        <translation>mmH2O</translation>
    </message>
    <message>
        <source>三通道脉象传感器演示 （T20190923）</source>
        <translation>Three-channel pulse sensor demo (T20190923)</translation>
    </message>
    <message>
        <source>放大</source>
        <translation>Zoom in</translation>
    </message>
    <message>
        <source>缩小</source>
        <translation>Zoom out</translation>
    </message>
    <message>
        <source>脉
搏</source>
        <translation>P
u
l
s
e</translation>
    </message>
    <message>
        <source>通道1静态压力</source>
        <translation>Channel 1 static pressure</translation>
    </message>
    <message>
        <source>通道2静态压力</source>
        <translation>Channel 2 static pressure</translation>
    </message>
    <message>
        <source>通道3静态压力</source>
        <translation>Channel 3 static pressure</translation>
    </message>
    <message>
        <source>静态压力曲线</source>
        <translation>Plot static pressure</translation>
    </message>
    <message>
        <source>零点值:</source>
        <translation>Zero:</translation>
    </message>
    <message>
        <source>时间  单位 秒</source>
        <translation>Time (s)</translation>
    </message>
    <message>
        <source>向左移</source>
        <translation>Move left</translation>
    </message>
    <message>
        <source>向右移</source>
        <translation>Move right</translation>
    </message>
    <message>
        <source>波形图复位</source>
        <translation>Reset the views</translation>
    </message>
    <message>
        <source>设备操作</source>
        <translation>Device</translation>
    </message>
    <message>
        <source>串口号</source>
        <translation>Port</translation>
    </message>
    <message>
        <source>波特率</source>
        <translation>Baud</translation>
    </message>
    <message>
        <source>数据位</source>
        <translation>Data bits</translation>
    </message>
    <message>
        <source>打开设备</source>
        <translation>Open
device</translation>
    </message>
    <message>
        <source>开始采样</source>
        <translation>Start
sampling</translation>
    </message>
    <message>
        <source>校零</source>
        <translation>Zero</translation>
    </message>
    <message>
        <source>零点值</source>
        <translation>Zero
values</translation>
    </message>
    <message>
        <source>退出</source>
        <translation>Exit</translation>
    </message>
    <message>
        <source>采样设置</source>
        <translation>Sampling</translation>
    </message>
    <message>
        <source>单位:</source>
        <translation>Unit:</translation>
    </message>
    <message>
        <source>千帕</source>
        <translation>kPa</translation>
    </message>
    <message>
        <source>帕</source>
        <translation>Pa</translation>
    </message>
    <message>
        <source>频率:</source>
        <translation>Rate:</translation>
    </message>
    <message>
        <source>设置频率</source>
        <translation>Set rate</translation>
    </message>
    <message>
        <source>生产日期</source>
        <translation>Production date</translation>
    </message>
    <message>
        <source>读序列号</source>
        <translation>Read serial no.</translation>
    </message>
    <message>
        <source>记录数据</source>
        <translation>Record</translation>
    </message>
    <message>
        <source>保存</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>载入</source>
        <translation>Load</translation>
    </message>
    <message>
        <source>模拟</source>
        <translation>Replay</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>三通道脉象传感器演示 （T20190923）</source>
        <translation>Three-channel pulse sensor demo (T20190923)</translation>
    </message>
    <message>
        <source>放大</source>
        <translation>Zoom in</translation>
    </message>
    <message>
        <source>缩小</source>
        <translation>Zoom out</translation>
    </message>
    <message>
        <source>脉
搏</source>
        <translation>P
u
l
s
e</translation>
    </message>
    <message>
        <source>零点值:</source>
        <translation>Zero:</translation>
    </message>
    <message>
        <source>通道%1静态压力</source>
        <translation>Channel %1 static pressure</translation>
    </message>
    <message>
        <source>静态压力曲线</source>
        <translation>Plot static pressure</translation>
    </message>
    <message>
        <source>帕</source>
        <translation>Pa</translation>
    </message>
    <message>
        <source>毫巴</source>
        <translation>mbar</translation>
    </message>
    <message>
        <source>毫米汞柱</source>
        <translation>mmHg</translation>
    </message>
    <message>
        <source>毫米水柱</source>
        <translation>mmH2O</translation>
    </message>
    <message>
        <source>脉率: --</source>
        <translation>Pulse rate: --</translation>
    </message>
    <message>
        <source>显示心搏</source>
        <translation>Show beats</translation>
    </message>
    <message>
        <source>时间  单位 秒</source>
        <translation>Time (s)</translation>
    </message>
    <message>
        <source>向左移</source>
        <translation>Move left</translation>
    </message>
    <message>
        <source>向右移</source>
        <translation>Move right</translation>
    </message>
    <message>
        <source>波形图复位</source>
        <translation>Reset the views</translation>
    </message>
    <message>
        <source>设备操作</source>
        <translation>Device</translation>
    </message>
    <message>
        <source>串口号</source>
        <translation>Port</translation>
    </message>
    <message>
        <source>波特率</source>
        <translation>Baud</translation>
    </message>
    <message>
        <source>数据位</source>
        <translation>Data bits</translation>
    </message>
    <message>
        <source>打开设备</source>
        <translation>Open
device</translation>
    </message>
    <message>
        <source>开始采样</source>
        <translation>Start
sampling</translation>
    </message>
    <message>
        <source>校零</source>
        <translation>Zero</translation>
    </message>
    <message>
        <source>零点值</source>
        <translation>Zero
values</translation>
    </message>
    <message>
        <source>退出</source>
        <translation>Exit</translation>
    </message>
    <message>
        <source>采样设置</source>
        <translation>Sampling</translation>
    </message>
    <message>
        <source>千帕</source>
        <translation>kPa</translation>
    </message>
    <message>
        <source>单位:</source>
        <translation>Unit:</translation>
    </message>
    <message>
        <source>频率:</source>
        <translation>Rate:</translation>
    </message>
    <message>
        <source>设置频率</source>
        <translation>Set rate</translation>
    </message>
    <message>
        <source>生产日期</source>
        <translation>Production date</translation>
    </message>
    <message>
        <source>读序列号</source>
        <translation>Read serial no.</translation>
    </message>
    <message>
        <source>记录数据</source>
        <translation>Record</translation>
    </message>
    <message>
        <source>保存</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>载入</source>
        <translation>Load</translation>
    </message>
    <message>
        <source>模拟</source>
        <translation>Replay</translation>
    </message>
    <message>
        <source>会话记录</source>
        <translation>Session</translation>
    </message>
    <message>
        <source>导出</source>
        <translation>Export</translation>
    </message>
    <message>
        <source>导出当前记录...</source>
        <translation>Export current record...</translation>
    </message>
    <message>
        <source>导出载入的记录...</source>
        <translation>Export loaded record...</translation>
    </message>
    <message>
        <source>导出会话文件...</source>
        <translation>Export session file...</translation>
    </message>
    <message>
        <source>自动重连</source>
        <translation>Auto reconnect</translation>
    </message>
</context>
<context>
    <name>PlayerBar</name>
    <message>
        <source>回放载入的文件: 播放或暂停 (空格)</source>
        <translation>Replay the loaded file: play or pause (Space)</translation>
    </message>
    <message>
        <source>后退一帧 (←)</source>
        <translation>One frame back (←)</translation>
    </message>
    <message>
        <source>前进一帧 (→)</source>
        <translation>One frame forward (→)</translation>
    </message>
    <message>
        <source>-5秒</source>
        <translation>-5 s</translation>
    </message>
    <message>
        <source>后退 5 秒 (Shift+←)</source>
        <translation>5 s back (Shift+←)</translation>
    </message>
    <message>
        <source>+5秒</source>
        <translation>+5 s</translation>
    </message>
    <message>
        <source>前进 5 秒 (Shift+→)</source>
        <translation>5 s forward (Shift+→)</translation>
    </message>
    <message>
        <source>回放速度 (1× 为文件的采样频率)</source>
        <translation>Replay speed (1× is the file&apos;s sampling rate)</translation>
    </message>
    <message>
        <source>拖动定位</source>
        <translation>Drag to move through the file</translation>
    </message>
    <message>
        <source>测量光标: 在波形图上按 A 或 B 键或用右键菜单放置, 拖动顶部的手柄移动</source>
        <translation>Measuring cursors: press A or B over a plot or use its context menu to place them; drag the handle at the top to move one</translation>
    </message>
    <message>
        <source>播放</source>
        <translation>Play</translation>
    </message>
    <message>
        <source>暂停</source>
        <translation>Pause</translation>
    </message>
</context>
<context>
    <name>PlayerControl</name>
    <message>
        <source>%1 s  帧 %2/%3</source>
        <translation>%1 s  frame %2/%3</translation>
    </message>
    <message>
        <source>最快</source>
        <translation>Max</translation>
    </message>
</context>
<context>
    <name>ReconnectControl</name>
    <message>
        <source>设备断开后等待它重新连接, 自动打开并继续采样</source>
        <translation>When the device is unplugged, wait for it to come back, reopen it and resume sampling</translation>
    </message>
    <message>
        <source>自动重连</source>
        <translation>Auto reconnect</translation>
    </message>
</context>
<context>
    <name>RecordReplay</name>
    <message>
        <source>…… 文件共 %1 行，日志只显示前 %2 行；模拟回放全部行</source>
        <translation>…… the file has %1 lines; the log shows the first %2, Replay plays them all</translation>
    </message>
    <message>
        <source>*.txt(记录文件)|*.txt|All file|*.*</source>
        <translation>*.txt (record files)|*.txt|All files|*.*</translation>
    </message>
    <message>
        <source>载入完成,准备模拟...</source>
        <translation>Ready to replay...</translation>
    </message>
</context>
<context>
    <name>SessionControl</name>
    <message>
        <source>会话: %1  %2  %3帧</source>
        <translation>Session: %1  %2  %3 frames</translation>
    </message>
    <message>
        <source>会话记录</source>
        <translation>Session</translation>
    </message>
    <message>
        <source>停止会话</source>
        <translation>End session</translation>
    </message>
</context>
<context>
    <name>TForm1</name>
    <message>
        <source>打开设备</source>
        <translation>Open
device</translation>
    </message>
    <message>
        <source>关闭设备</source>
        <translation>Close
device</translation>
    </message>
    <message>
        <source>设备连接正常</source>
        <translation>Device connected</translation>
    </message>
    <message>
        <source>设备连接失败</source>
        <translation>Connection failed</translation>
    </message>
    <message>
        <source>串口关闭</source>
        <translation>Port closed</translation>
    </message>
    <message>
        <source>请首先打开设备</source>
        <translation>Please open the device first</translation>
    </message>
    <message>
        <source>没有可导出的数据</source>
        <translation>No data to export</translation>
    </message>
    <message>
        <source>%1: 没有这个串口</source>
        <translation>%1: no such port</translation>
    </message>
    <message>
        <source>请输入频率值5-250</source>
        <translation>Enter a rate from 5 to 250</translation>
    </message>
    <message>
        <source>当前时间 : %1</source>
        <translation>Time: %1</translation>
    </message>
</context>
<context>
    <name>TMFPrintDlg</name>
    <message>
        <source>打印...</source>
        <translation>Print...</translation>
    </message>
    <message>
        <source>打印尺寸</source>
        <translation>Print size</translation>
    </message>
    <message>
        <source>正常</source>
        <translation>Normal</translation>
    </message>
    <message>
        <source>平铺</source>
        <translation>Fill page</translation>
    </message>
    <message>
        <source>打印机...</source>
        <translation>Printer...</translation>
    </message>
    <message>
        <source>打印</source>
        <translation>Print</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>Units</name>
    <message>
        <source>零点值: %1 hPa</source>
        <translation>Zero: %1 hPa</translation>
    </message>
</context>
<context>
    <name>ViewCursors</name>
    <message>
        <source>  (视图%1)</source>
        <translation>  (view %1)</translation>
    </message>
    <message>
        <source>放置光标 A</source>
        <translation>Place cursor A</translation>
    </message>
    <message>
        <source>放置光标 B</source>
        <translation>Place cursor B</translation>
    </message>
    <message>
        <source>清除光标</source>
        <translation>Clear cursors</translation>
    </message>
</context>
<context>
    <name>ViewNumbers</name>
    <message>
        <source> X=%1  Y=%2</source>
        <translation> X=%1  Y=%2</translation>
    </message>
</context>
</TS>
