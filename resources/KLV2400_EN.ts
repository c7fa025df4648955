<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context>
    <name>AboutDialog</name>
    <message>
        <source>关于</source>
        <translation>About</translation>
    </message>
    <message>
        <source>软件名称：</source>
        <translation>Software:</translation>
    </message>
    <message>
        <source>可编程直流电源测试系统</source>
        <translation>Programmable DC Power Supply Test System</translation>
    </message>
    <message>
        <source>软件版本：</source>
        <translation>Version:</translation>
    </message>
    <message>
        <source>V1.3.3.2025052701</source>
        <translation>V1.3.3.2025052701</translation>
    </message>
</context>
<context>
    <name>CAppLog</name>
    <message>
        <source>提示: </source>
        <translation>Info: </translation>
    </message>
    <message>
        <source>警告: </source>
        <translation>Warning: </translation>
    </message>
    <message>
        <source>错误: </source>
        <translation>Error: </translation>
    </message>
</context>
<context>
    <name>DevBriefInfoWidget</name>
    <message>
        <source>Form</source>
        <translation>Form</translation>
    </message>
    <message>
        <source>127.0.0.1</source>
        <translation>127.0.0.1</translation>
    </message>
    <message>
        <source>manufacturer</source>
        <translation>manufacturer</translation>
    </message>
    <message>
        <source>specification</source>
        <translation>specification</translation>
    </message>
    <message>
        <source>0.0000</source>
        <translation>0.0000</translation>
    </message>
    <message>
        <source>V</source>
        <translation>V</translation>
    </message>
    <message>
        <source>VI</source>
        <translation>VI</translation>
    </message>
    <message>
        <source>A</source>
        <translation>A</translation>
    </message>
    <message>
        <source>OFF</source>
        <translation>OFF</translation>
    </message>
    <message>
        <source>W</source>
        <translation>W</translation>
    </message>
    <message>
        <source>提示</source>
        <translation>Notice</translation>
    </message>
    <message>
        <source>是否清除当前报警？</source>
        <translation>Clear the current alarm?</translation>
    </message>
    <message>
        <source>是</source>
        <translation>Yes</translation>
    </message>
    <message>
        <source>否</source>
        <translation>No</translation>
    </message>
</context>
<context>
    <name>DevDriver_KLV2400</name>
    <message>
        <source>超时时间：%1s</source>
        <translation>Timed out after: %1 s</translation>
    </message>
</context>
<context>
    <name>DevWidget_KLV2400</name>
    <message>
        <source>连接设备</source>
        <translation>Connect</translation>
    </message>
    <message>
        <source>断开设备</source>
        <translation>Disconnect</translation>
    </message>
    <message>
        <source>开始输出</source>
        <translation>Output On</translation>
    </message>
    <message>
        <source>停止输出</source>
        <translation>Output Off</translation>
    </message>
    <message>
        <source>参数设置</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>序列设置</source>
        <translation>Sequences</translation>
    </message>
    <message>
        <source> 正在输出</source>
        <translation> Output on</translation>
    </message>
    <message>
        <source>未连接</source>
        <translation>Disconnected</translation>
    </message>
    <message>
        <source>导入曲线</source>
        <translation>Import Curves</translation>
    </message>
    <message>
        <source>曲线保存</source>
        <translation>Save Plot</translation>
    </message>
    <message>
        <source>打开数据保存文件夹</source>
        <translation>Open the data folder</translation>
    </message>
    <message>
        <source>打开文件夹</source>
        <translation>Open Folder</translation>
    </message>
    <message>
        <source>曲线暂停/开始</source>
        <translation>Pause/resume the plots</translation>
    </message>
    <message>
        <source>曲线暂停</source>
        <translation>Pause Plots</translation>
    </message>
    <message>
        <source>导入曲线：</source>
        <translation>Imported:</translation>
    </message>
    <message>
        <source>累积时间：</source>
        <translation>Time window:</translation>
    </message>
    <message>
        <source> S</source>
        <translation> s</translation>
    </message>
    <message>
        <source>测量值</source>
        <translation>Measured values</translation>
    </message>
    <message>
        <source>0.0000</source>
        <translation>0.0000</translation>
    </message>
    <message>
        <source>V</source>
        <translation>V</translation>
    </message>
    <message>
        <source>A</source>
        <translation>A</translation>
    </message>
    <message>
        <source>W</source>
        <translation>W</translation>
    </message>
    <message>
        <source>测试功能</source>
        <translation>Test function</translation>
    </message>
    <message>
        <source>测试功能：</source>
        <translation>Test function:</translation>
    </message>
    <message>
        <source>VI</source>
        <translation>VI</translation>
    </message>
    <message>
        <source>SEQ</source>
        <translation>SEQ</translation>
    </message>
    <message>
        <source>CHAR</source>
        <translation>CHAR</translation>
    </message>
    <message>
        <source>电    压：</source>
        <translation>Voltage:</translation>
    </message>
    <message>
        <source>电    流：</source>
        <translation>Current:</translation>
    </message>
    <message>
        <source>设置</source>
        <translation>Set</translation>
    </message>
    <message>
        <source>序 列 号：</source>
        <translation>List number:</translation>
    </message>
    <message>
        <source>当 前 步：</source>
        <translation>Current step:</translation>
    </message>
    <message>
        <source>0</source>
        <translation>0</translation>
    </message>
    <message>
        <source>循环次数：</source>
        <translation>Cycles:</translation>
    </message>
    <message>
        <source>充电电压：</source>
        <translation>Charge voltage:</translation>
    </message>
    <message>
        <source>充电电流：</source>
        <translation>Charge current:</translation>
    </message>
    <message>
        <source>终止电压：</source>
        <translation>End voltage:</translation>
    </message>
    <message>
        <source>终止电流：</source>
        <translation>End current:</translation>
    </message>
    <message>
        <source>终止电量：</source>
        <translation>End charge:</translation>
    </message>
    <message>
        <source>Ah</source>
        <translation>Ah</translation>
    </message>
    <message>
        <source>终止时间：</source>
        <translation>End time:</translation>
    </message>
    <message>
        <source>S</source>
        <translation>s</translation>
    </message>
    <message>
        <source>%1设备数据文件无法创建，本次输出不记录数据！</source>
        <translation>%1: the data file could not be created; this run is not recorded!</translation>
    </message>
    <message>
        <source>提示</source>
        <translation>Notice</translation>
    </message>
    <message>
        <source>是</source>
        <translation>Yes</translation>
    </message>
    <message>
        <source>否</source>
        <translation>No</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>设备连接成功，连接IP%1</source>
        <translation>Device connected, IP %1</translation>
    </message>
    <message>
        <source>设备连接失败，连接IP%1</source>
        <translation>Device connection failed, IP %1</translation>
    </message>
    <message>
        <source>正在连接设备...</source>
        <translation>Connecting...</translation>
    </message>
    <message>
        <source>连接设备，连接IP%1</source>
        <translation>Connecting to device, IP %1</translation>
    </message>
    <message>
        <source>已连接</source>
        <translation>Connected</translation>
    </message>
    <message>
        <source>当前设备正在输出,是否关闭输出？</source>
        <translation>The device output is on. Switch the output off?</translation>
    </message>
    <message>
        <source>%1设备连接已断开</source>
        <translation>%1: device disconnected</translation>
    </message>
    <message>
        <source>%1设备输出失败！</source>
        <translation>%1: failed to switch the output on!</translation>
    </message>
    <message>
        <source>%1设备开始输出</source>
        <translation>%1: output on</translation>
    </message>
    <message>
        <source>%1设备结束输出</source>
        <translation>%1: output off</translation>
    </message>
    <message>
        <source>,数据文件已保存</source>
        <translation>, data file saved</translation>
    </message>
    <message>
        <source>%1设备结束输出，数据文件未能完整写入！</source>
        <translation>%1: output off, the data file could not be written completely!</translation>
    </message>
    <message>
        <source>是否清除当前报警？</source>
        <translation>Clear the current alarm?</translation>
    </message>
    <message>
        <source>%1设备失去连接，请检查网络是否正常！</source>
        <translation>%1: connection to the device lost, please check the network!</translation>
    </message>
    <message>
        <source>当前设备正在输出，是否确认关闭？</source>
        <translation>The device output is on. Close anyway?</translation>
    </message>
    <message>
        <source>曲线图片保存失败！</source>
        <translation>The plot picture could not be saved!</translation>
    </message>
    <message>
        <source>%1-VI测试参数设置成功！</source>
        <translation>%1: VI parameters set!</translation>
    </message>
    <message>
        <source>%1-VI测试参数设置失败！</source>
        <translation>%1: failed to set the VI parameters!</translation>
    </message>
    <message>
        <source>%1-SEQ测试参数设置成功！</source>
        <translation>%1: SEQ parameters set!</translation>
    </message>
    <message>
        <source>%1-SEQ测试参数设置失败！</source>
        <translation>%1: failed to set the SEQ parameters!</translation>
    </message>
    <message>
        <source>%1-CHAR测试参数设置成功！</source>
        <translation>%1: CHAR parameters set!</translation>
    </message>
    <message>
        <source>%1-CHAR测试参数设置失败！</source>
        <translation>%1: failed to set the CHAR parameters!</translation>
    </message>
</context>
<context>
    <name>ListSettingDialog</name>
    <message>
        <source>序列设置</source>
        <translation>Sequences</translation>
    </message>
    <message>
        <source>文件编号：</source>
        <translation>File number:</translation>
    </message>
    <message>
        <source>文件名称：</source>
        <translation>File name:</translation>
    </message>
    <message>
        <source>序列长度：</source>
        <translation>Length:</translation>
    </message>
    <message>
        <source>循环次数：</source>
        <translation>Cycles:</translation>
    </message>
    <message>
        <source>链接序列：</source>
        <translation>Linked list:</translation>
    </message>
    <message>
        <source>保存</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>序号</source>
        <translation>No.</translation>
    </message>
    <message>
        <source>电压(V)</source>
        <translation>Voltage (V)</translation>
    </message>
    <message>
        <source>电流(A)</source>
        <translation>Current (A)</translation>
    </message>
    <message>
        <source>延时(S)</source>
        <translation>Delay (s)</translation>
    </message>
    <message>
        <source>%1设备列表文件%2参数设置成功！</source>
        <translation>%1: list file %2 stored!</translation>
    </message>
    <message>
        <source>列表文件%1参数设置成功！</source>
        <translation>List file %1 stored!</translation>
    </message>
    <message>
        <source>%1设备不支持文件名写入功能，如需设置文件名，请升级设备硬件版本！</source>
        <translation>%1: the device cannot store file names; to set file names, please upgrade the device hardware!</translation>
    </message>
    <message>
        <source>但设备不支持文件名写入功能，如需设置文件名，请升级设备硬件版本！</source>
        <translation> However, the device cannot store file names; to set file names, please upgrade the device hardware!</translation>
    </message>
    <message>
        <source>提示</source>
        <translation>Notice</translation>
    </message>
    <message>
        <source>%1设备列表文件%2参数设置失败！</source>
        <translation>%1: failed to store list file %2!</translation>
    </message>
    <message>
        <source>列表文件%1参数设置失败！</source>
        <translation>Failed to store list file %1!</translation>
    </message>
    <message>
        <source>列表文件参数读取失败！</source>
        <translation>Failed to read the list file!</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>查找设备</source>
        <translation>Search</translation>
    </message>
    <message>
        <source> 网络设置</source>
        <translation> Network</translation>
    </message>
    <message>
        <source> 语言   </source>
        <translation> Language </translation>
    </message>
    <message>
        <source> 帮助 </source>
        <translation> Help </translation>
    </message>
    <message>
        <source> 关于 </source>
        <translation> About </translation>
    </message>
    <message>
        <source>在线设备</source>
        <translation>Devices online</translation>
    </message>
    <message>
        <source>日志输出</source>
        <translation>Log</translation>
    </message>
    <message>
        <source>清除</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>KLV2400测试系统</source>
        <translation>KLV2400 Test System</translation>
    </message>
    <message>
        <source>中文</source>
        <translation>Chinese</translation>
    </message>
    <message>
        <source>英文</source>
        <translation>English</translation>
    </message>
    <message>
        <source>%1设备正在连接，请在连接结束后关闭</source>
        <translation>%1 is still connecting; please close it after the connection attempt ends</translation>
    </message>
    <message>
        <source>搜索设备...</source>
        <translation>Searching for devices...</translation>
    </message>
</context>
<context>
    <name>ModbusDriver</name>
    <message>
        <source>设备已连接!</source>
        <translation>Device already connected!</translation>
    </message>
    <message>
        <source>设备连接超时!</source>
        <translation>Connection timed out!</translation>
    </message>
    <message>
        <source>读取超时：寄存器地址%1</source>
        <translation>Read timed out: register %1</translation>
    </message>
    <message>
        <source>读取异常：寄存器地址%1，接收报文：%2</source>
        <translation>Bad reply: register %1, received: %2</translation>
    </message>
</context>
<context>
    <name>MyCustomPlot</name>
    <message>
        <source>时间/s</source>
        <translation>Time/s</translation>
    </message>
    <message>
        <source>电压/V</source>
        <translation>Voltage/V</translation>
    </message>
    <message>
        <source>电流/A</source>
        <translation>Current/A</translation>
    </message>
</context>
<context>
    <name>NetworkSetDlg</name>
    <message>
        <source>网络设置</source>
        <translation>Network Settings</translation>
    </message>
    <message>
        <source>选择网卡：</source>
        <translation>Network adapter:</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>SystemSettingDialog</name>
    <message>
        <source>Dialog</source>
        <translation>Dialog</translation>
    </message>
    <message>
        <source>参数设置</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>系统设置</source>
        <translation>System</translation>
    </message>
    <message>
        <source>采样间隔：</source>
        <translation>Sampling interval:</translation>
    </message>
    <message>
        <source>100ms</source>
        <translation>100 ms</translation>
    </message>
    <message>
        <source>200ms</source>
        <translation>200 ms</translation>
    </message>
    <message>
        <source>500ms</source>
        <translation>500 ms</translation>
    </message>
    <message>
        <source>1s</source>
        <translation>1 s</translation>
    </message>
    <message>
        <source>2s</source>
        <translation>2 s</translation>
    </message>
    <message>
        <source>5s</source>
        <translation>5 s</translation>
    </message>
    <message>
        <source>10s</source>
        <translation>10 s</translation>
    </message>
    <message>
        <source>20s</source>
        <translation>20 s</translation>
    </message>
    <message>
        <source>30s</source>
        <translation>30 s</translation>
    </message>
    <message>
        <source>1min</source>
        <translation>1 min</translation>
    </message>
    <message>
        <source>2min</source>
        <translation>2 min</translation>
    </message>
    <message>
        <source>5min</source>
        <translation>5 min</translation>
    </message>
    <message>
        <source>优先选择：</source>
        <translation>Priority:</translation>
    </message>
    <message>
        <source>电压优先</source>
        <translation>Voltage priority</translation>
    </message>
    <message>
        <source>电流优先</source>
        <translation>Current priority</translation>
    </message>
    <message>
        <source>过压保护：</source>
        <translation>Over-voltage:</translation>
    </message>
    <message>
        <source>V</source>
        <translation>V</translation>
    </message>
    <message>
        <source>过流保护：</source>
        <translation>Over-current:</translation>
    </message>
    <message>
        <source>A</source>
        <translation>A</translation>
    </message>
    <message>
        <source>过功率保护：</source>
        <translation>Over-power:</translation>
    </message>
    <message>
        <source>W</source>
        <translation>W</translation>
    </message>
    <message>
        <source>低压保护：</source>
        <translation>Low voltage:</translation>
    </message>
    <message>
        <source>关闭延时时间：</source>
        <translation>Output-off delay:</translation>
    </message>
    <message>
        <source>S</source>
        <translation>s</translation>
    </message>
    <message>
        <source>掉电保存：</source>
        <translation>Save on power-off:</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>开启</source>
        <translation>On</translation>
    </message>
    <message>
        <source>通讯看门狗：</source>
        <translation>Watchdog:</translation>
    </message>
    <message>
        <source>键盘声音：</source>
        <translation>Key sound:</translation>
    </message>
    <message>
        <source>连接设置</source>
        <translation>Connection</translation>
    </message>
    <message>
        <source>IP地址：</source>
        <translation>IP address:</translation>
    </message>
    <message>
        <source>子网掩码：</source>
        <translation>Subnet mask:</translation>
    </message>
    <message>
        <source>网关：</source>
        <translation>Gateway:</translation>
    </message>
    <message>
        <source>动态IP:</source>
        <translation>Dynamic IP:</translation>
    </message>
    <message>
        <source>波特率：</source>
        <translation>Baud rate:</translation>
    </message>
    <message>
        <source>4800</source>
        <translation>4800</translation>
    </message>
    <message>
        <source>9600</source>
        <translation>9600</translation>
    </message>
    <message>
        <source>19200</source>
        <translation>19200</translation>
    </message>
    <message>
        <source>38400</source>
        <translation>38400</translation>
    </message>
    <message>
        <source>115200</source>
        <translation>115200</translation>
    </message>
    <message>
        <source>串口校验：</source>
        <translation>Parity:</translation>
    </message>
    <message>
        <source>无校验</source>
        <translation>None</translation>
    </message>
    <message>
        <source>奇校验</source>
        <translation>Odd</translation>
    </message>
    <message>
        <source>偶校验</source>
        <translation>Even</translation>
    </message>
    <message>
        <source>通信协议：</source>
        <translation>Protocol:</translation>
    </message>
    <message>
        <source>SCPI</source>
        <translation>SCPI</translation>
    </message>
    <message>
        <source>MODBUS</source>
        <translation>MODBUS</translation>
    </message>
    <message>
        <source>设备地址：</source>
        <translation>Device address:</translation>
    </message>
    <message>
        <source>设置</source>
        <translation>Apply</translation>
    </message>
    <message>
        <source>提示</source>
        <translation>Notice</translation>
    </message>
    <message>
        <source>配置参数获取失败！</source>
        <translation>Failed to read the settings!</translation>
    </message>
    <message>
        <source>%1系统参数设置成功</source>
        <translation>%1: system settings written</translation>
    </message>
    <message>
        <source>系统参数设置成功！</source>
        <translation>System settings written!</translation>
    </message>
    <message>
        <source>%1系统参数设置失败</source>
        <translation>%1: failed to write the system settings</translation>
    </message>
    <message>
        <source>系统参数设置失败！</source>
        <translation>Failed to write the system settings!</translation>
    </message>
    <message>
        <source>IP地址不完整，请输入完整的IPv4地址！</source>
        <translation>The IP address is incomplete; please enter a complete IPv4 address!</translation>
    </message>
    <message>
        <source>子网掩码不完整，请输入完整的IPv4地址！</source>
        <translation>The subnet mask is incomplete; please enter a complete IPv4 address!</translation>
    </message>
    <message>
        <source>网关不完整，请输入完整的IPv4地址！</source>
        <translation>The gateway is incomplete; please enter a complete IPv4 address!</translation>
    </message>
    <message>
        <source>%1连接参数设置成功</source>
        <translation>%1: connection settings written</translation>
    </message>
    <message>
        <source>连接参数设置成功！</source>
        <translation>Connection settings written!</translation>
    </message>
    <message>
        <source>%1连接参数设置失败</source>
        <translation>%1: failed to write the connection settings</translation>
    </message>
    <message>
        <source>连接参数设置失败！</source>
        <translation>Failed to write the connection settings!</translation>
    </message>
    <message>
        <source>关闭</source>
        <comment>switched off</comment>
        <translation>Off</translation>
    </message>
</context>
<context>
    <name>frmProgressWait</name>
    <message>
        <source>Form</source>
        <translation>Form</translation>
    </message>
    <message>
        <source>TextLabel</source>
        <translation>TextLabel</translation>
    </message>
</context>
</TS>
