<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="zh_CN">
<context>
    <name>ChooseFile</name>
    <message>
        <source>Dialog</source>
        <translation>Dialog</translation>
    </message>
    <message>
        <source>请选择要导入的文件</source>
        <translation>Please select the file</translation>
    </message>
    <message>
        <source>导入文件</source>
        <translation>Import file</translation>
    </message>
    <message>
        <source>  取消</source>
        <translation>  Cancel</translation>
    </message>
</context>
<context>
    <name>DATADEAL</name>
    <message>
        <source>请插入U盘</source>
        <translation>Please insert USB flash disk!</translation>
    </message>
    <message>
        <source>日期	类型	00:00~00:30	00:30~01:00	01:00~01:30	01:30~02:00	02:00~02:30	02:30~03:00	03:00~03:30	03:30~04:00	04:00~04:30	04:30~05:00	05:00~05:30	05:30~06:00	06:00~06:30	06:30~07:00	07:00~07:30	07:30~08:00	08:00~08:30	08:30~09:00	09:00~09:30	09:30~10:00	10:00~10:30	10:30~11:00	11:00~11:30	11:30~12:00	12:00~12:30	12:30~13:00	13:00~13:30	13:30~14:00	14:00~14:30	14:30~15:00	15:00~15:30	15:30~16:00	16:00~16:30	16:30~17:00	17:00~17:30	17:30~18:00	18:00~18:30	18:30~19:00	19:00~19:30	19:30~20:00	20:00~20:30	20:30~21:00	21:00~21:30	21:30~22:00	22:00~22:30	22:30~23:00	23:00~23:30	23:30~24:00
</source>
        <translation>Date	Type	00:00~00:30	00:30~01:00	01:00~01:30	01:30~02:00	02:00~02:30	02:30~03:00	03:00~03:30	03:30~04:00	04:00~04:30	04:30~05:00	05:00~05:30	05:30~06:00	06:00~06:30	06:30~07:00	07:00~07:30	07:30~08:00	08:00~08:30	08:30~09:00	09:00~09:30	09:30~10:00	10:00~10:30	10:30~11:00	11:00~11:30	11:30~12:00	12:00~12:30	12:30~13:00	13:00~13:30	13:30~14:00	14:00~14:30	14:30~15:00	15:00~15:30	15:30~16:00	16:00~16:30	16:30~17:00	17:00~17:30	17:30~18:00	18:00~18:30	18:30~19:00	19:00~19:30	19:30~20:00	20:00~20:30	20:30~21:00	21:00~21:30	21:30~22:00	22:00~22:30	22:30~23:00	23:00~23:30	23:30~24:00
</translation>
    </message>
    <message>
        <source>充电量(kWh)	</source>
        <translation>Charge amount(kWh)	</translation>
    </message>
    <message>
        <source>放电量(kWh)	</source>
        <translation>Discharge capacity(kWh)	</translation>
    </message>
    <message>
        <source>效益(元)	</source>
        <translation>benefit	</translation>
    </message>
    <message>
        <source>PV日累计(kWh)	</source>
        <translation>PV daily cumulative	</translation>
    </message>
    <message>
        <source>%1-%2-%3	</source>
        <translation>%1-%2-%3	</translation>
    </message>
    <message>
        <source>%1	</source>
        <translation>%1	</translation>
    </message>
    <message>
        <source>-%1	</source>
        <translation>-%1	</translation>
    </message>
</context>
<context>
    <name>EnergyGraph</name>
    <message>
        <source>——PCS功率(kW)</source>
        <translation>——PCS P(kW)</translation>
    </message>
    <message>
        <source>——电网功率(kW)</source>
        <translation>——PV P(kW)</translation>
    </message>
    <message>
        <source>——负载功率(kW)</source>
        <translation>——load P(kW)</translation>
    </message>
    <message>
        <source>——SOC(%)</source>
        <translation>——SOC(%)</translation>
    </message>
    <message>
        <source>按年显示</source>
        <translation>Year</translation>
    </message>
    <message>
        <source>按月显示</source>
        <translation>Month</translation>
    </message>
    <message>
        <source>按日显示</source>
        <translation>Day</translation>
    </message>
    <message>
        <source>1月</source>
        <translation>January</translation>
    </message>
    <message>
        <source>2月</source>
        <translation>February</translation>
    </message>
    <message>
        <source>3月</source>
        <translation>March</translation>
    </message>
    <message>
        <source>4月</source>
        <translation>April</translation>
    </message>
    <message>
        <source>5月</source>
        <translation>May</translation>
    </message>
    <message>
        <source>6月</source>
        <translation>June</translation>
    </message>
    <message>
        <source>7月</source>
        <translation>July</translation>
    </message>
    <message>
        <source>8月</source>
        <translation>August</translation>
    </message>
    <message>
        <source>9月</source>
        <translation>September</translation>
    </message>
    <message>
        <source>10月</source>
        <translation>October</translation>
    </message>
    <message>
        <source>11月</source>
        <translation>November</translation>
    </message>
    <message>
        <source>12月</source>
        <translation>December</translation>
    </message>
</context>
<context>
    <name>EnergySchedule</name>
    <message>
        <source>时间段</source>
        <translation>Period</translation>
    </message>
    <message>
        <source>功率(kW)</source>
        <translation>Power(kW)</translation>
    </message>
    <message>
        <source>支路</source>
        <translation>String</translation>
    </message>
    <message>
        <source>重启生效！</source>
        <translation>Reboot to take effect</translation>
    </message>
    <message>
        <source>直流功率(kW)/电流(A)</source>
        <translation>DC power(kW)/current(A)</translation>
    </message>
    <message>
        <source>价格(元)</source>
        <translation>Price(CNY)</translation>
    </message>
    <message>
        <source>设置成功</source>
        <translation>succeed!</translation>
    </message>
</context>
<context>
    <name>Form</name>
    <message>
        <source>Form</source>
        <translation>Form</translation>
    </message>
    <message>
        <source>直流信息</source>
        <translation>DC Info</translation>
    </message>
    <message>
        <source>交流信息</source>
        <translation>AC Info</translation>
    </message>
    <message>
        <source>电网信息</source>
        <translation>Grid Info</translation>
    </message>
    <message>
        <source>负载信息</source>
        <translation>Load Info</translation>
    </message>
    <message>
        <source>模块状态</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>BMS</source>
        <translation>BMS</translation>
    </message>
    <message>
        <source>AC详情</source>
        <translation>AC Detail</translation>
    </message>
    <message>
        <source>DC详情</source>
        <translation>DC Detail</translation>
    </message>
    <message>
        <source>STS详情</source>
        <translation>STS Detail</translation>
    </message>
    <message>
        <source>当前告警</source>
        <translation>Current</translation>
    </message>
    <message>
        <source>历史告警</source>
        <translation>Past Alarm</translation>
    </message>
    <message>
        <source>操作记录</source>
        <translation>Operation</translation>
    </message>
    <message>
        <source>状态记录</source>
        <translation>Status Logs</translation>
    </message>
    <message>
        <source>曲线记录</source>
        <translation>Curve</translation>
    </message>
    <message>
        <source>下载记录</source>
        <translation>Export Logs</translation>
    </message>
    <message>
        <source>常规设置</source>
        <translation>General</translation>
    </message>
    <message>
        <source>机型选择</source>
        <translation>Cabinet Type</translation>
    </message>
    <message>
        <source>系统参数</source>
        <translation>System</translation>
    </message>
    <message>
        <source>监控参数</source>
        <translation>HMI</translation>
    </message>
    <message>
        <source>交流参数</source>
        <translation>AC</translation>
    </message>
    <message>
        <source>直流参数</source>
        <translation>DC</translation>
    </message>
    <message>
        <source>STS</source>
        <translation>STS</translation>
    </message>
    <message>
        <source>AC诊断</source>
        <translation>AC Debug</translation>
    </message>
    <message>
        <source>DC诊断</source>
        <translation>DC Debug</translation>
    </message>
    <message>
        <source>升级模块</source>
        <translation>Upgrade</translation>
    </message>
    <message>
        <source>▲高级设置</source>
        <translation>▲Advanced</translation>
    </message>
    <message>
        <source>策略说明</source>
        <translation>Description</translation>
    </message>
    <message>
        <source>并网策略</source>
        <translation>Strategy</translation>
    </message>
    <message>
        <source>48段配置</source>
        <translation>Daily</translation>
    </message>
    <message>
        <source>充电电价</source>
        <translation>Charge</translation>
    </message>
    <message>
        <source>放电电价</source>
        <translation>Discharge</translation>
    </message>
    <message>
        <source>选配件</source>
        <translation>Accessories</translation>
    </message>
    <message>
        <source>统计</source>
        <translation>Statistics</translation>
    </message>
    <message>
        <source>▼高级设置</source>
        <translation>▼Advanced</translation>
    </message>
</context>
<context>
    <name>HTStatbar</name>
    <message>
        <source>固件版本:</source>
        <translation>Firmware Ver:</translation>
    </message>
    <message>
        <source>用户:</source>
        <translation>user:</translation>
    </message>
    <message>
        <source>客户</source>
        <translation>User</translation>
    </message>
    <message>
        <source>维护工程师</source>
        <translation>Service engineer</translation>
    </message>
    <message>
        <source>维护工程师1</source>
        <translation>Service engineer 1</translation>
    </message>
    <message>
        <source>后台管理员</source>
        <translation>Manager</translation>
    </message>
    <message>
        <source>超级管理员</source>
        <translation>Administrator</translation>
    </message>
</context>
<context>
    <name>HelpDialog</name>
    <message>
        <source>Dialog</source>
        <translation>Dialog</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
</context>
<context>
    <name>INTERFACE4_1</name>
    <message>
        <source>序号</source>
        <translation>No.</translation>
    </message>
    <message>
        <source>告警名称</source>
        <translation>Warning/Fault</translation>
    </message>
    <message>
        <source>开始时间</source>
        <translation>Occurrence Time</translation>
    </message>
    <message>
        <source>结束时间</source>
        <translation>Dismissed Time</translation>
    </message>
    <message>
        <source>|&lt;</source>
        <translation>|&lt;</translation>
    </message>
    <message>
        <source>&gt;|</source>
        <translation>&gt;|</translation>
    </message>
    <message>
        <source>AC </source>
        <translation>AC </translation>
    </message>
    <message>
        <source>DC </source>
        <translation>DC </translation>
    </message>
    <message>
        <source>AC Str.</source>
        <translation>AC Str.</translation>
    </message>
    <message>
        <source>DC Str.</source>
        <translation>DC Str.</translation>
    </message>
    <message>
        <source>PCS</source>
        <translation>PCS</translation>
    </message>
    <message>
        <source>AC #</source>
        <translation>AC #</translation>
    </message>
    <message>
        <source>DC #</source>
        <translation>DC #</translation>
    </message>
    <message>
        <source>STS</source>
        <translation>STS</translation>
    </message>
</context>
<context>
    <name>INTERFACE4_2</name>
    <message>
        <source>序号</source>
        <translation>No.</translation>
    </message>
    <message>
        <source>名称</source>
        <translation>Designation</translation>
    </message>
    <message>
        <source>时间</source>
        <translation>Time Stamp</translation>
    </message>
    <message>
        <source>操作</source>
        <translation>Operation</translation>
    </message>
    <message>
        <source>|&lt;</source>
        <translation>|&lt;</translation>
    </message>
    <message>
        <source>&gt;|</source>
        <translation>&gt;|</translation>
    </message>
    <message>
        <source>直流功率设置</source>
        <translation>DC power setpoint</translation>
    </message>
    <message>
        <source>直流电流设置</source>
        <translation>DC current setpoint</translation>
    </message>
    <message>
        <source>支路有功设置</source>
        <translation>DC string active power setpoint</translation>
    </message>
    <message>
        <source> AC </source>
        <translation> AC </translation>
    </message>
    <message>
        <source> DC </source>
        <translation> DC </translation>
    </message>
    <message>
        <source> STS</source>
        <translation> STS</translation>
    </message>
    <message>
        <source> AC Str.</source>
        <translation> AC Str.</translation>
    </message>
    <message>
        <source> DC Str.</source>
        <translation> DC Str.</translation>
    </message>
    <message>
        <source>紧急功率启动</source>
        <translation>Emergency power start</translation>
    </message>
    <message>
        <source>PCS</source>
        <translation>PCS</translation>
    </message>
    <message>
        <source>AC #</source>
        <translation>AC #</translation>
    </message>
    <message>
        <source> DC #</source>
        <translation> DC #</translation>
    </message>
    <message>
        <source>STS</source>
        <translation>STS</translation>
    </message>
    <message>
        <source>唤醒充电</source>
        <translation>Wake up the charge</translation>
    </message>
    <message>
        <source>后台TCP超时关机</source>
        <translation>TCP Timeout OFF</translation>
    </message>
    <message>
        <source>后台485超时关机</source>
        <translation>485 Timeout OFF</translation>
    </message>
    <message>
        <source>强充</source>
        <translation>Forced charging</translation>
    </message>
    <message>
        <source>1</source>
        <translation>1</translation>
    </message>
    <message>
        <source>+</source>
        <translation>+</translation>
    </message>
    <message>
        <source>-</source>
        <translation>-</translation>
    </message>
    <message>
        <source>0</source>
        <translation>0</translation>
    </message>
</context>
<context>
    <name>IdTurn</name>
    <message>
        <source>Form</source>
        <translation>Form</translation>
    </message>
    <message>
        <source>TextLabel</source>
        <translation>TextLabel</translation>
    </message>
</context>
<context>
    <name>InfoBtn</name>
    <message>
        <source>Form</source>
        <translation>Form</translation>
    </message>
    <message>
        <source>图标</source>
        <translation>Icon</translation>
    </message>
    <message>
        <source>信息</source>
        <translation>Info</translation>
    </message>
    <message>
        <source>说明</source>
        <translation>Description</translation>
    </message>
</context>
<context>
    <name>Interface4_5</name>
    <message>
        <source>序号</source>
        <translation>No.</translation>
    </message>
    <message>
        <source>名称</source>
        <translation>Designation</translation>
    </message>
    <message>
        <source>时间</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>状态</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>|&lt;</source>
        <translation>|&lt;</translation>
    </message>
    <message>
        <source>&gt;|</source>
        <translation>&gt;|</translation>
    </message>
    <message>
        <source> AC </source>
        <translation> AC </translation>
    </message>
    <message>
        <source> DC </source>
        <translation> DC </translation>
    </message>
    <message>
        <source> AC Str.</source>
        <translation> AC Str.</translation>
    </message>
    <message>
        <source> DC Str.</source>
        <translation> DC Str.</translation>
    </message>
    <message>
        <source>PCS</source>
        <translation>PCS</translation>
    </message>
    <message>
        <source>AC #</source>
        <translation>AC #</translation>
    </message>
    <message>
        <source> DC #</source>
        <translation> DC #</translation>
    </message>
    <message>
        <source> STS</source>
        <translation> STS</translation>
    </message>
    <message>
        <source> 监控初始化</source>
        <translation> monitor init</translation>
    </message>
</context>
<context>
    <name>KeyDialog</name>
    <message>
        <source>1</source>
        <translation>1</translation>
    </message>
    <message>
        <source>2</source>
        <translation>2</translation>
    </message>
    <message>
        <source>3</source>
        <translation>3</translation>
    </message>
    <message>
        <source>4</source>
        <translation>4</translation>
    </message>
    <message>
        <source>5</source>
        <translation>5</translation>
    </message>
    <message>
        <source>6</source>
        <translation>6</translation>
    </message>
    <message>
        <source>7</source>
        <translation>7</translation>
    </message>
    <message>
        <source>8</source>
        <translation>8</translation>
    </message>
    <message>
        <source>9</source>
        <translation>9</translation>
    </message>
    <message>
        <source>0</source>
        <translation>0</translation>
    </message>
    <message>
        <source>S</source>
        <translation>S</translation>
    </message>
    <message>
        <source>H</source>
        <translation>H</translation>
    </message>
    <message>
        <source>F</source>
        <translation>F</translation>
    </message>
    <message>
        <source>B</source>
        <translation>B</translation>
    </message>
    <message>
        <source>Z</source>
        <translation>Z</translation>
    </message>
    <message>
        <source>X</source>
        <translation>X</translation>
    </message>
    <message>
        <source>P</source>
        <translation>P</translation>
    </message>
    <message>
        <source>C</source>
        <translation>C</translation>
    </message>
    <message>
        <source>清除</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>&lt;-</source>
        <translation>&lt;-</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>请输入SN序列号:</source>
        <translation>Please enter the serial number:</translation>
    </message>
</context>
<context>
    <name>KeyPad</name>
    <message>
        <source>7</source>
        <translation>7</translation>
    </message>
    <message>
        <source>8</source>
        <translation>8</translation>
    </message>
    <message>
        <source>9</source>
        <translation>9</translation>
    </message>
    <message>
        <source>&lt;-</source>
        <translation>&lt;-</translation>
    </message>
    <message>
        <source>4</source>
        <translation>4</translation>
    </message>
    <message>
        <source>5</source>
        <translation>5</translation>
    </message>
    <message>
        <source>6</source>
        <translation>6</translation>
    </message>
    <message>
        <source>+</source>
        <translation>+</translation>
    </message>
    <message>
        <source>1</source>
        <translation>1</translation>
    </message>
    <message>
        <source>2</source>
        <translation>2</translation>
    </message>
    <message>
        <source>3</source>
        <translation>3</translation>
    </message>
    <message>
        <source>-</source>
        <translation>-</translation>
    </message>
    <message>
        <source>0</source>
        <translation>0</translation>
    </message>
    <message>
        <source>.</source>
        <translation>.</translation>
    </message>
    <message>
        <source>ESC</source>
        <translation>ESC</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>MiniTab</name>
    <message>
        <source>AC </source>
        <translation>AC </translation>
    </message>
    <message>
        <source>DC </source>
        <translation>DC </translation>
    </message>
    <message>
        <source>AC Sys</source>
        <translation>AC Sys</translation>
    </message>
    <message>
        <source>DC Sys</source>
        <translation>DC Sys</translation>
    </message>
    <message>
        <source>AC #</source>
        <translation>AC #</translation>
    </message>
    <message>
        <source>DC #</source>
        <translation>DC #</translation>
    </message>
    <message>
        <source>STS</source>
        <translation>STS</translation>
    </message>
</context>
<context>
    <name>MyMainWindow</name>
    <message>
        <source>AC 通讯故障</source>
        <translation>AC Disconnected!</translation>
    </message>
    <message>
        <source>DC 通讯故障</source>
        <translation>DC disconnected!</translation>
    </message>
    <message>
        <source>发送成功</source>
        <translation>Instruction sent!</translation>
    </message>
    <message>
        <source>发送失败</source>
        <translation>Failed!</translation>
    </message>
    <message>
        <source>后台tcp通信异常</source>
        <translation>tcp Disconnected</translation>
    </message>
    <message>
        <source>BMS通信异常</source>
        <translation>BMS Disconnected</translation>
    </message>
    <message>
        <source>后台485通信异常</source>
        <translation>485 Disconnected</translation>
    </message>
    <message>
        <source>模块离线</source>
        <translation>Module offline</translation>
    </message>
</context>
<context>
    <name>MyToolBar</name>
    <message>
        <source>主接线图</source>
        <translation>Home</translation>
    </message>
    <message>
        <source>系统信息</source>
        <translation>Info</translation>
    </message>
    <message>
        <source>事件记录</source>
        <translation>Logs</translation>
    </message>
    <message>
        <source>系统设置</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>操作命令</source>
        <translation>Operation</translation>
    </message>
    <message>
        <source>本地远程</source>
        <translation>Ctrl mode</translation>
    </message>
    <message>
        <source>控制策略</source>
        <translation>Tactics</translation>
    </message>
    <message>
        <source>登入登出</source>
        <translation>User</translation>
    </message>
    <message>
        <source>截屏</source>
        <translation>Screenshots</translation>
    </message>
    <message>
        <source>退出</source>
        <translation>Exit</translation>
    </message>
    <message>
        <source>设备初始化中...</source>
        <translation>Init...</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>请插入U盘</source>
        <translation>Please insert USB flash disk!</translation>
    </message>
    <message>
        <source>提示</source>
        <translation>Information</translation>
    </message>
    <message>
        <source>截图成功</source>
        <translation>Success</translation>
    </message>
    <message>
        <source>截图失败</source>
        <translation>Screenshot failed</translation>
    </message>
</context>
<context>
    <name>MyToolBtn</name>
    <message>
        <source>%1</source>
        <translation>%1</translation>
    </message>
</context>
<context>
    <name>PageTurn</name>
    <message>
        <source>Form</source>
        <translation>Form</translation>
    </message>
    <message>
        <source>%1</source>
        <translation>%1</translation>
    </message>
</context>
<context>
    <name>PageTurnAdv</name>
    <message>
        <source>Form</source>
        <translation>Form</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>正常</source>
        <translation>Normal</translation>
    </message>
    <message>
        <source>故障</source>
        <translation>Fault</translation>
    </message>
    <message>
        <source>告警</source>
        <translation>Alarm</translation>
    </message>
    <message>
        <source>充满</source>
        <translation>Full</translation>
    </message>
    <message>
        <source>充电</source>
        <translation>CHGing</translation>
    </message>
    <message>
        <source>放空</source>
        <translation>EOD</translation>
    </message>
    <message>
        <source>放电</source>
        <translation>DCHGing</translation>
    </message>
    <message>
        <source>待机</source>
        <translation>Standby</translation>
    </message>
    <message>
        <source>休眠</source>
        <translation>Hibernate</translation>
    </message>
    <message>
        <source>停机</source>
        <translation>Off</translation>
    </message>
    <message>
        <source>运行</source>
        <translation>On</translation>
    </message>
    <message>
        <source>光伏发电</source>
        <translation>PV</translation>
    </message>
    <message>
        <source>---</source>
        <translation>---</translation>
    </message>
    <message>
        <source>恒压浮充</source>
        <translation>Float</translation>
    </message>
    <message>
        <source>恒压均充</source>
        <translation>Equal</translation>
    </message>
    <message>
        <source>离线</source>
        <translation>Offline</translation>
    </message>
    <message>
        <source>铅酸电池</source>
        <translation>VRLA</translation>
    </message>
    <message>
        <source>镍氢电池</source>
        <translation>NiMH</translation>
    </message>
    <message>
        <source>磷酸铁锂电池</source>
        <translation>LiFePO4</translation>
    </message>
    <message>
        <source>锰酸锂电池</source>
        <translation>LiMn2O4</translation>
    </message>
    <message>
        <source>钴酸锂电池</source>
        <translation>LiCoO2</translation>
    </message>
    <message>
        <source>三元材料电池</source>
        <translation>Li(NiCoMn)O2</translation>
    </message>
    <message>
        <source>聚合物锂电池</source>
        <translation>PLB</translation>
    </message>
    <message>
        <source>钛酸锂电池</source>
        <translation>LTO</translation>
    </message>
    <message>
        <source>其他电池</source>
        <translation>Other</translation>
    </message>
    <message>
        <source>告警 LV1</source>
        <translation>Alarm LV1</translation>
    </message>
    <message>
        <source>告警 LV2</source>
        <translation>Alarm LV2</translation>
    </message>
    <message>
        <source>告警 LV3</source>
        <translation>Alarm LV3</translation>
    </message>
    <message>
        <source>告警 LV4</source>
        <translation>Alarm LV4</translation>
    </message>
    <message>
        <source>警告</source>
        <translation>Warning</translation>
    </message>
</context>
<context>
    <name>Tab_Logout</name>
    <message>
        <source>扫描文件...成功</source>
        <translation>Scanning file...succeed</translation>
    </message>
    <message>
        <source>扫描U盘...正常</source>
        <translation>Scanning USB disk...OK</translation>
    </message>
    <message>
        <source>拷贝至U盘...成功</source>
        <translation>Copying to USB disk...succeed</translation>
    </message>
    <message>
        <source>下载状态：</source>
        <translation>Downloading Process:</translation>
    </message>
    <message>
        <source>下载所有记录</source>
        <translation>Download All Logs</translation>
    </message>
    <message>
        <source>下载历史告警</source>
        <translation>Download History Alarm</translation>
    </message>
    <message>
        <source>下载操作记录</source>
        <translation>Download Operation Logs</translation>
    </message>
    <message>
        <source>下载AC故障</source>
        <translation>Download AC Fault</translation>
    </message>
    <message>
        <source>下载STS故障</source>
        <translation>Download STS Fault</translation>
    </message>
    <message>
        <source>下载状态记录</source>
        <translation>Download Status Logs</translation>
    </message>
    <message>
        <source>下载历史数据</source>
        <translation>Download History Data</translation>
    </message>
    <message>
        <source>下载DC故障</source>
        <translation>Download DC Fault</translation>
    </message>
    <message>
        <source>重置文本</source>
        <translation>Reset Text</translation>
    </message>
    <message>
        <source>序号</source>
        <translation>No.</translation>
    </message>
    <message>
        <source>名称</source>
        <translation>Designation</translation>
    </message>
    <message>
        <source>开始时间</source>
        <translation>Start Time</translation>
    </message>
    <message>
        <source>结束时间</source>
        <translation>End Time</translation>
    </message>
    <message>
        <source>备注</source>
        <translation>Remarks</translation>
    </message>
    <message>
        <source>时间</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>状态</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>P(kW)</source>
        <translation>P(KW)</translation>
    </message>
    <message>
        <source>功率</source>
        <translation>Power</translation>
    </message>
    <message>
        <source>扫描U盘...失败</source>
        <translation>Scanning USB disk...fail</translation>
    </message>
    <message>
        <source>请重新插入U盘...</source>
        <translation>Please insert the USB disk again...</translation>
    </message>
    <message>
        <source>拷贝至U盘...稍等</source>
        <translation>Copying to USB disk...</translation>
    </message>
    <message>
        <source>扫描文件...失败</source>
        <translation>Scanning file... failed</translation>
    </message>
    <message>
        <source>请重试...</source>
        <translation>Please Try Again...</translation>
    </message>
</context>
<context>
    <name>Tab_set</name>
    <message>
        <source>监控会自动重启生效该设置，是否确认?</source>
        <translation>To save and restart the monitor, are you sure?</translation>
    </message>
    <message>
        <source>是否确认恢复出厂设置?</source>
        <translation>Reset settings,are you sure?</translation>
    </message>
    <message>
        <source>提示</source>
        <translation>Information</translation>
    </message>
    <message>
        <source>请插入U盘</source>
        <translation>Please insert USB disk</translation>
    </message>
    <message>
        <source>无Logo文件！</source>
        <translation>No logo file!</translation>
    </message>
    <message>
        <source>Logo文件不是普通文件！</source>
        <translation>The logo file is not a regular file!</translation>
    </message>
    <message>
        <source>Logo文件超过%1MB！</source>
        <translation>The logo file is larger than %1 MB!</translation>
    </message>
    <message>
        <source>重启监控生效</source>
        <translation>Reboot to take effect!</translation>
    </message>
    <message>
        <source>-32768~32767，默认0</source>
        <translation>-32768~32767, default 0</translation>
    </message>
    <message>
        <source>监控会自动重启生效该设置，确认校准?</source>
        <translation>To save and restart the Monitor, are you sure?</translation>
    </message>
    <message>
        <source>升级文件不存在,请从U盘导入!</source>
        <translation>Firmware file doesn&apos;t exist,please import from USB disk</translation>
    </message>
    <message>
        <source>U盘中没有DCAC的升级文件，请确认U盘是否存在文件！</source>
        <translation>Please verify that the U disk has the file</translation>
    </message>
    <message>
        <source>U盘中没有DCDC的升级文件，请确认U盘是否存在文件！</source>
        <translation>Please verify that the U disk has the file</translation>
    </message>
    <message>
        <source>U盘中没有U2的升级文件，请确认U盘是否存在文件！</source>
        <translation>Please verify that the U disk has the file</translation>
    </message>
    <message>
        <source>U盘中没有STS的升级文件，请确认U盘是否存在文件！</source>
        <translation>Please verify that the U disk has the file</translation>
    </message>
    <message>
        <source>文件名不能有空格!</source>
        <translation>File name can not have spaces!</translation>
    </message>
    <message>
        <source>升级文件导入失败，请重新导入</source>
        <translation>Import failed, please import again</translation>
    </message>
    <message>
        <source>升级文件不是普通文件，不能导入!</source>
        <translation>The firmware file is not a regular file, it cannot be imported!</translation>
    </message>
    <message>
        <source>升级文件超过%1MB，不能导入!</source>
        <translation>The firmware file is larger than %1 MB, it cannot be imported!</translation>
    </message>
    <message>
        <source>升级文件不存在!</source>
        <translation>The file does not exist</translation>
    </message>
    <message>
        <source>正在升级，请等待本次升级结束!</source>
        <translation>An upgrade is running, please wait until it ends!</translation>
    </message>
    <message>
        <source>没有选择模块!</source>
        <translation>Not selection module</translation>
    </message>
    <message>
        <source>请输入升级密码:</source>
        <translation>Please enter the upgrade password</translation>
    </message>
    <message>
        <source>升级密码输入错误!</source>
        <translation>Password error!</translation>
    </message>
    <message>
        <source>将要升级的模块类型为:</source>
        <translation>Module type to upgrade: </translation>
    </message>
    <message>
        <source>升级模块编号为:</source>
        <translation>Module numbers: </translation>
    </message>
    <message>
        <source>升级的文件名为:</source>
        <translation>File name: </translation>
    </message>
    <message>
        <source>是否确定？</source>
        <translation>Are you sure?</translation>
    </message>
    <message>
        <source>升级15号时只能单独升级，请检查当前只有一个模块的通信线连接，其他模块的通信线断开。是否确认?</source>
        <translation>Module 15 can only be upgraded alone: connect the communication line of one module only and disconnect the others. Are you sure?</translation>
    </message>
    <message>
        <source>升级会导致机架停机，是否确认升级？</source>
        <translation>The PCS will stop running, are you sure?</translation>
    </message>
    <message>
        <source>升级文件打开失败，请重新导入</source>
        <translation>File open failed，please re-import</translation>
    </message>
    <message>
        <source>升级文件为空文件，请重新导入</source>
        <translation>File is empty，please re-import</translation>
    </message>
    <message>
        <source>当前存在多个模块，已强制停止升级！升级15号时请移除其他模块的通信线,确保只有一个模块再进行升级!</source>
        <translation>Several modules answered, the upgrade was stopped! To upgrade module 15, disconnect the communication lines of the other modules so that only one module remains.</translation>
    </message>
    <message>
        <source>升级完成，检测到U盘有monitor.tar.gz监控升级文件,请先拔除U盘再下电重启!</source>
        <translation>update completed,Please remove the U disk and then restart the PCS!</translation>
    </message>
    <message>
        <source>升级完成，请下电重启!</source>
        <translation>update completed, please reboot the PCS!</translation>
    </message>
    <message>
        <source>警告</source>
        <translation>Warning</translation>
    </message>
    <message>
        <source>该设置需机架下电重启生效,请将机架下电!</source>
        <translation>To save the settings, please reboot the PCS!</translation>
    </message>
    <message>
        <source>设置成功</source>
        <translation>succeed!</translation>
    </message>
    <message>
        <source>设置失败</source>
        <translation>Failed</translation>
    </message>
    <message>
        <source>系统时间设置:yyyy-MM-dd-hh-mm-ss</source>
        <translation>Realtime clock:yyyy-MM-dd-hh-mm-ss</translation>
    </message>
    <message>
        <source>非法输入</source>
        <translation>Illegal input!</translation>
    </message>
    <message>
        <source>设置本地IP：</source>
        <translation>IP:</translation>
    </message>
    <message>
        <source>设置网关：</source>
        <translation>Gateway:</translation>
    </message>
    <message>
        <source>设置子网掩码：</source>
        <translation>Mask:</translation>
    </message>
    <message>
        <source>设置modebus设备地址(1~247)</source>
        <translation>Modbus address (1~247)</translation>
    </message>
    <message>
        <source>该设置需要机架下电生效，是否确认?</source>
        <translation>Reboot the PCS to take effect, confirm?</translation>
    </message>
    <message>
        <source> 1 ~ 120 (min)</source>
        <translation> 1 ~ 120 (min)</translation>
    </message>
    <message>
        <source> 0 ~ 600 (s),0代表不使能</source>
        <translation> 0 ~ 600 (s),0 means Disable</translation>
    </message>
    <message>
        <source>设置记录间隔(15~60)</source>
        <translation>Log interval (15~60)</translation>
    </message>
    <message>
        <source>104设备地址(1~65535)</source>
        <translation>104 protocol address (1~65535)</translation>
    </message>
    <message>
        <source>请输入SN序列号:</source>
        <translation>Please enter SN:</translation>
    </message>
    <message>
        <source>请再次输入序列号:</source>
        <translation>Please enter SN again:</translation>
    </message>
    <message>
        <source>两次输入不一致</source>
        <translation>Inconsistent input twice</translation>
    </message>
    <message>
        <source>序列号长度不对</source>
        <translation>SN length error</translation>
    </message>
    <message>
        <source>配置中..</source>
        <translation>Applying settings...</translation>
    </message>
    <message>
        <source>以下选项未选择，未下发：</source>
        <translation>Not chosen, not sent:</translation>
    </message>
    <message>
        <source>应用</source>
        <translation>Apply</translation>
    </message>
    <message>
        <source>直流1接入类型</source>
        <translation>String 1 Input Type</translation>
    </message>
    <message>
        <source>直流接入类型</source>
        <translation>DC Input Type</translation>
    </message>
    <message>
        <source>直流下限电压</source>
        <translation>DC low voltage threshold</translation>
    </message>
    <message>
        <source>放电终止电压</source>
        <translation>End-of-discharge voltage</translation>
    </message>
    <message>
        <source>均充电压</source>
        <translation>Topping charge voltage</translation>
    </message>
    <message>
        <source>MPPT下限电压</source>
        <translation>MPPT lower limit voltage</translation>
    </message>
    <message>
        <source>休眠电压</source>
        <translation>sleep voltage</translation>
    </message>
    <message>
        <source>光伏最大电压</source>
        <translation>Max. voltage of PV</translation>
    </message>
    <message>
        <source>MPPT上限电压</source>
        <translation>MPPT upper limit voltage</translation>
    </message>
    <message>
        <source>直流电压上限</source>
        <translation>DC upper limit voltage</translation>
    </message>
    <message>
        <source>直流输出电压</source>
        <translation>DC out voltage</translation>
    </message>
    <message>
        <source>正代表充电,负代表放电,-770.0~770.0kW,默认0.0</source>
        <translation>+:charge, -:discharge, -770.0~770.0kW,  default 0.0</translation>
    </message>
    <message>
        <source>正代表感性无功,负代表容性无功,  -770.0~+770.0kVAr,默认0.0</source>
        <translation>+:lagging, -:leading,-770.0~+770.0kVAr, default 0.0</translation>
    </message>
    <message>
        <source>正代表吸收感性，负代表吸收容性  -1.00~+1.00,默认1.00</source>
        <translation>+:lagging, -:leading,-1.00~+1.00,default 1.00</translation>
    </message>
    <message>
        <source>-770.0kW ~770.0kW</source>
        <translation>-770.0kW ~770.0kW</translation>
    </message>
    <message>
        <source>+代表充电，-代表放电。-1500.0A~1500.0A，默认0</source>
        <translation>+:charge, -:discharge, -1500.0A~1500.0A, default 0</translation>
    </message>
    <message>
        <source>+代表充电，-代表放电。-1000.0~1000.0kW，默认0</source>
        <translation>+:charge, -:discharge, -1000.0~1000.0kW, default 0</translation>
    </message>
    <message>
        <source>%1.0~%2.0V, 默认%3.0</source>
        <translation>%1.0~%2.0V, default %3.0</translation>
    </message>
    <message>
        <source>30.0~900.0V，默认300.0</source>
        <translation>30.0~900.0V, default 300.0</translation>
    </message>
    <message>
        <source>0.0~250.0A，默认0.0</source>
        <translation>0.0~250.0A, default 0.0</translation>
    </message>
    <message>
        <source>0.0~1500.0A，默认50.0</source>
        <translation>0.0~1500.0A, default 50.0</translation>
    </message>
    <message>
        <source>30.0~900.0V，默认30.0</source>
        <translation>30.0~900.0V, default 30.0</translation>
    </message>
    <message>
        <source>1-2400Ah，默认30</source>
        <translation>1-2400Ah, default 30</translation>
    </message>
    <message>
        <source>1~396cell，默认180</source>
        <translation>1~396cell, default 180</translation>
    </message>
    <message>
        <source>0.5~13.1,默认1.0</source>
        <translation>0.5~13.1,default 1.0</translation>
    </message>
    <message>
        <source>10~500,默认150</source>
        <translation>10~500,default 150</translation>
    </message>
    <message>
        <source>0.0050~0.1,默认0.0167,设置0.0167表示有功功率变化100%Pn，频率变化1.67%Fn</source>
        <translation>0.0050~0.1,default 0.0167</translation>
    </message>
    <message>
        <source>0.0250~0.3,默认0.1,设置0.1表示无功功率变化100%Qn，电压变压10%Vn</source>
        <translation>0.0250~0.3,default 0.1</translation>
    </message>
    <message>
        <source>浮充电压</source>
        <translation>Float charge voltage</translation>
    </message>
    <message>
        <source>唤醒电压</source>
        <translation>wakeup voltage</translation>
    </message>
    <message>
        <source>1.0~1500.0A，默认50.0</source>
        <translation>1.0~1500.0A, default 50.0</translation>
    </message>
    <message>
        <source>0~600s，默认20s</source>
        <translation>0~600s, default 20s</translation>
    </message>
    <message>
        <source>0.001~2.000*额定/s，默认0.020</source>
        <translation>0.001~2.000*Pnom/s, default 0.020</translation>
    </message>
    <message>
        <source>0.90~1.10*额定,默认1.00</source>
        <translation>0.90~1.10*Vnom, default 1.00</translation>
    </message>
    <message>
        <source>0~1500kW，默认0</source>
        <translation>0~1500kW, default 0</translation>
    </message>
    <message>
        <source>1~20000，默认1</source>
        <translation>1~20000, default 1</translation>
    </message>
    <message>
        <source>0~100kW，默认5</source>
        <translation>0~100kW, default 5</translation>
    </message>
    <message>
        <source>0.5~1，-0.5~-1，默认1，正吸收感性，负吸收容性</source>
        <translation>0.5~1, -0.5~-1, default 1, +:lagging, -:leading</translation>
    </message>
</context>
<context>
    <name>UpgradeThread</name>
    <message>
        <source>软件升级已就绪，Boot启动</source>
        <translation>Upgrade ready,Boot start</translation>
    </message>
    <message>
        <source>软件升级未就绪，升级失败</source>
        <translation>Upgrade no ready,Upgrade failed</translation>
    </message>
    <message>
        <source>解密成功....</source>
        <translation>Decryption success</translation>
    </message>
    <message>
        <source>解密失败,停止升级....</source>
        <translation>Decryption failure, stop to upgrade</translation>
    </message>
    <message>
        <source>擦除成功,开始烧录....</source>
        <translation>Erase success, start upgrade</translation>
    </message>
    <message>
        <source>擦除失败,停止升级....</source>
        <translation>Erase failure, stop to upgrade</translation>
    </message>
    <message>
        <source>升级成功</source>
        <translation>Upgrade success</translation>
    </message>
    <message>
        <source>发送结束帧失败,停止升级....</source>
        <translation>Sending end frame failure, stop to upgrade</translation>
    </message>
    <message>
        <source>发送数据成功....</source>
        <translation>Send data frames success</translation>
    </message>
    <message>
        <source>发送数据帧失败,停止升级....</source>
        <translation>Send the data frames fails, stop the upgrade</translation>
    </message>
    <message>
        <source>升级文件打开失败</source>
        <translation>File open failed</translation>
    </message>
    <message>
        <source>升级结束</source>
        <translation>The upgrade is over</translation>
    </message>
    <message>
        <source>升级文件不存在...</source>
        <translation>The upgrade file does not exist</translation>
    </message>
    <message>
        <source>准备升级...</source>
        <translation>Ready to upgrade</translation>
    </message>
    <message>
        <source>正在解密...</source>
        <translation>Decrypting</translation>
    </message>
    <message>
        <source>正在擦除...</source>
        <translation>Erasing</translation>
    </message>
    <message>
        <source>升级结束,请检查升级过程中是否有失败的模块！</source>
        <translation>The upgrade is over, check if there are any failed modules during the upgrade!</translation>
    </message>
    <message>
        <source>升级文件校验失败</source>
        <translation>Firmware file check failed</translation>
    </message>
</context>
<context>
    <name>interface_CtrMod</name>
    <message>
        <source>本地手动</source>
        <translation>Local Manual</translation>
    </message>
    <message>
        <source>本地自动</source>
        <translation>Local Auto</translation>
    </message>
    <message>
        <source>远程控制</source>
        <translation>Remote</translation>
    </message>
</context>
<context>
    <name>interface_Energy</name>
    <message>
        <source>并网运行管理</source>
        <translation>Grid-tied operation</translation>
    </message>
    <message>
        <source>削峰填谷</source>
        <translation>Peak shifting</translation>
    </message>
    <message>
        <source>光储一体自动控制</source>
        <translation>PV auto strategy</translation>
    </message>
    <message>
        <source>直流48段自动控制</source>
        <translation>DC 48-segment control</translation>
    </message>
    <message>
        <source>控制策略启动</source>
        <translation>Starting the strategy</translation>
    </message>
    <message>
        <source>选择&quot;本地自动&quot;模式，则启动控制策略
选择&quot;本地手动&quot;模式，则停止控制策略</source>
        <translation>Choose &quot;Local Auto&quot; mode to start the strategy
Choose &quot;Local Manual&quot; mode to stop the strategy</translation>
    </message>
    <message>
        <source> 离网运行管理 </source>
        <translation> Off-grid operation </translation>
    </message>
    <message>
        <source>离网时，PCS提供稳定可靠的三相交流电压</source>
        <translation>Off-grid, the PCS supplies a stable three-phase AC voltage</translation>
    </message>
    <message>
        <source>光储微网自动策略</source>
        <translation>PV microgrid auto strategy</translation>
    </message>
    <message>
        <source>电网型微电网</source>
        <translation>Grid-Tied Self-Supply Microgrid</translation>
    </message>
    <message>
        <source>油机型微电网</source>
        <translation>Off-grid Microgrid w/ Diesel Generator</translation>
    </message>
    <message>
        <source>定时充放</source>
        <translation>Timing</translation>
    </message>
    <message>
        <source>防逆流功能：</source>
        <translation>Non-export：</translation>
    </message>
    <message>
        <source>启用</source>
        <translation>Enable</translation>
    </message>
    <message>
        <source>电网供电功率下限：</source>
        <translation>Minimum import power from grid:</translation>
    </message>
    <message>
        <source> 0kW~50kW,默认0</source>
        <translation> 0kW~50kW,default 0</translation>
    </message>
    <message>
        <source>误差设置：</source>
        <translation>Hysteresis Range</translation>
    </message>
    <message>
        <source> 0kW~10kW,默认0</source>
        <translation> 0kW~10kW,default 0</translation>
    </message>
    <message>
        <source>电池放电截止容量：</source>
        <translation>End-of-discharge capacity: </translation>
    </message>
    <message>
        <source>40%~99%,默认80%</source>
        <translation>40%~99%,default 80%</translation>
    </message>
    <message>
        <source>当前状态</source>
        <translation>Current state</translation>
    </message>
    <message>
        <source>电网最大充电功率：</source>
        <translation>Grid maximum charging power</translation>
    </message>
    <message>
        <source>kW,0~额定功率</source>
        <translation>kW,0~rated power</translation>
    </message>
    <message>
        <source>电池充电截止容量：</source>
        <translation>End-of-charge capacity:</translation>
    </message>
    <message>
        <source>40%~100%,默认80%</source>
        <translation>40%~100%,default 80%</translation>
    </message>
    <message>
        <source>电网电表</source>
        <translation>Utility Meter</translation>
    </message>
    <message>
        <source>负载电表</source>
        <translation>Load Meter</translation>
    </message>
    <message>
        <source>绝缘检测仪</source>
        <translation>Insulation</translation>
    </message>
    <message>
        <source>编号</source>
        <translation>No.</translation>
    </message>
    <message>
        <source>选件使能</source>
        <translation>Option enable</translation>
    </message>
    <message>
        <source>不使能</source>
        <translation>Disabled</translation>
    </message>
    <message>
        <source>使能</source>
        <translation>Enabled</translation>
    </message>
    <message>
        <source>modbus ID:</source>
        <translation>modbus ID:</translation>
    </message>
    <message>
        <source>注:设置选件使能,modbus ID和波特率需重启生效！</source>
        <translation>Note: option enable, Modbus ID and baud rate take effect after a restart!</translation>
    </message>
    <message>
        <source>模式设置</source>
        <translation>Mode</translation>
    </message>
    <message>
        <source>一级报警</source>
        <translation>Alarm 1</translation>
    </message>
    <message>
        <source>二级报警</source>
        <translation>Alarm 2</translation>
    </message>
    <message>
        <source>地址</source>
        <translation>Address</translation>
    </message>
    <message>
        <source>一级恢复</source>
        <translation>Recovery 1</translation>
    </message>
    <message>
        <source>二级恢复</source>
        <translation>Recovery 2</translation>
    </message>
    <message>
        <source>测量周期</source>
        <translation>Meas. period</translation>
    </message>
    <message>
        <source>最大测量值</source>
        <translation>Max. value</translation>
    </message>
    <message>
        <source>波特率</source>
        <translation>Baud rate</translation>
    </message>
    <message>
        <source>并网下，如果电池容量低于放电终止容量，则电池持续充电直到充满，电网维持PV+电池+负载，且防逆流功能可选配</source>
        <translation>Grid-tied: below the end-of-discharge capacity the battery charges until full; the grid balances PV, battery and load; non-export is optional</translation>
    </message>
    <message>
        <source>把1天分为48个时间段，配置直流充放电设置，PCS会自动按照时间段的设置运行</source>
        <translation>The day has 48 periods; set the DC charge and discharge of each, and the PCS runs by them</translation>
    </message>
    <message>
        <source>把1天分为48个时间段，配置交流有功功率，PCS会自动按照时间段的设置运行</source>
        <translation>The day has 48 periods; set the AC active power of each, and the PCS runs by them</translation>
    </message>
    <message>
        <source>0%~80%,默认80%</source>
        <translation>0%~80%,default 80%</translation>
    </message>
    <message>
        <source>设置成功</source>
        <translation>succeed!</translation>
    </message>
    <message>
        <source>设置失败</source>
        <translation>Failed</translation>
    </message>
    <message>
        <source>AB交流线电压(V)</source>
        <translation>AC line voltage Uab(V)</translation>
    </message>
    <message>
        <source>BC交流线电压(V)</source>
        <translation>AC line voltage Ubc(V)</translation>
    </message>
    <message>
        <source>CA交流线电压(V)</source>
        <translation>AC line voltage Uca(V)</translation>
    </message>
    <message>
        <source>A相交流电流(A)</source>
        <translation>AC current Ia(A)</translation>
    </message>
    <message>
        <source>B相交流电流(A)</source>
        <translation>AC current Ib(A)</translation>
    </message>
    <message>
        <source>C相交流电流(A)</source>
        <translation>AC current Ic(A)</translation>
    </message>
    <message>
        <source>P(kW)</source>
        <translation>P(kW)</translation>
    </message>
    <message>
        <source>正母线状态</source>
        <translation>Bus+ state</translation>
    </message>
    <message>
        <source>负母线状态</source>
        <translation>Bus- state</translation>
    </message>
    <message>
        <source>负对地电阻(kΩ)</source>
        <translation>R- to ground(kΩ)</translation>
    </message>
    <message>
        <source>二级报警电阻阀值(kΩ)</source>
        <translation>Alarm 2 threshold(kΩ)</translation>
    </message>
    <message>
        <source>二级报警恢复电阻值(kΩ)</source>
        <translation>Alarm 2 recovery(kΩ)</translation>
    </message>
    <message>
        <source>正对地电阻测量值(kΩ)</source>
        <translation>Measured R+ to ground(kΩ)</translation>
    </message>
    <message>
        <source>检测状态</source>
        <translation>Check state</translation>
    </message>
    <message>
        <source>正对地电阻(kΩ)</source>
        <translation>R+ to ground(kΩ)</translation>
    </message>
    <message>
        <source>正向平衡电阻(kΩ)</source>
        <translation>Balance resistance(kΩ)</translation>
    </message>
    <message>
        <source>一级报警电阻阀值(kΩ)</source>
        <translation>Alarm 1 threshold(kΩ)</translation>
    </message>
    <message>
        <source>一级报警恢复电阻值(kΩ)</source>
        <translation>Alarm 1 recovery(kΩ)</translation>
    </message>
    <message>
        <source>最大测量电阻值(kΩ)</source>
        <translation>Max. measured R(kΩ)</translation>
    </message>
    <message>
        <source>负对地电阻测量值(kΩ)</source>
        <translation>Measured R- to ground(kΩ)</translation>
    </message>
    <message>
        <source>通讯状态</source>
        <translation>Communication status</translation>
    </message>
</context>
<context>
    <name>interface_Main</name>
    <message>
        <source>离网</source>
        <translation>Off-Grid</translation>
    </message>
    <message>
        <source>并网</source>
        <translation>Grid-tied</translation>
    </message>
    <message>
        <source>交流母线:</source>
        <translation>AC Feeder:</translation>
    </message>
    <message>
        <source>电网:</source>
        <translation>Grid:</translation>
    </message>
    <message>
        <source>负载:</source>
        <translation>Load:</translation>
    </message>
    <message>
        <source>(日累计)</source>
        <translation>(daily cumulative)</translation>
    </message>
    <message>
        <source>(总累计)</source>
        <translation>(total cumulative)</translation>
    </message>
</context>
<context>
    <name>interface_Switch</name>
    <message>
        <source> 系统</source>
        <translation>System</translation>
    </message>
    <message>
        <source>总开机</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>总关机</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source> 并网</source>
        <translation>Grid-tied</translation>
    </message>
    <message>
        <source> 离网</source>
        <translation>Off-grid</translation>
    </message>
    <message>
        <source>清除故障</source>
        <translation>Clear Fault</translation>
    </message>
    <message>
        <source>交流支路开机</source>
        <translation>AC Start</translation>
    </message>
    <message>
        <source>交流支路关机</source>
        <translation>AC Stop</translation>
    </message>
    <message>
        <source>直流支路</source>
        <translation>DC Strings</translation>
    </message>
    <message>
        <source>开机</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>关机</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>直流支路1</source>
        <translation>DC String 1</translation>
    </message>
    <message>
        <source>直流支路2</source>
        <translation>DC String 2</translation>
    </message>
    <message>
        <source>直流支路3</source>
        <translation>DC String 3</translation>
    </message>
    <message>
        <source>直流支路4</source>
        <translation>DC String 4</translation>
    </message>
    <message>
        <source>直流支路5</source>
        <translation>DC String 5</translation>
    </message>
    <message>
        <source>直流支路6</source>
        <translation>DC String 6</translation>
    </message>
    <message>
        <source>直流支路7</source>
        <translation>DC String 7</translation>
    </message>
    <message>
        <source>直流支路8</source>
        <translation>DC String 8</translation>
    </message>
</context>
<context>
    <name>interface_SysInf</name>
    <message>
        <source>AC模块编号</source>
        <translation>AC module No.</translation>
    </message>
    <message>
        <source>DC模块编号</source>
        <translation>DC module No.</translation>
    </message>
    <message>
        <source>频率(Hz):</source>
        <translation>Frequency(Hz):</translation>
    </message>
    <message>
        <source>电网频率(Hz):</source>
        <translation>Grid frequency(Hz):</translation>
    </message>
    <message>
        <source>负载频率(Hz):</source>
        <translation>Load frequency(Hz):</translation>
    </message>
    <message>
        <source>直流电压(V)</source>
        <translation>DC voltage(V)</translation>
    </message>
    <message>
        <source>直流电流(A)</source>
        <translation>DC current(A)</translation>
    </message>
    <message>
        <source>直流功率(kW)</source>
        <translation>DC power(kW)</translation>
    </message>
    <message>
        <source>运行状态</source>
        <translation>Run status</translation>
    </message>
    <message>
        <source>告警状态</source>
        <translation>Alarm status</translation>
    </message>
    <message>
        <source>空开状态</source>
        <translation>Breaker</translation>
    </message>
    <message>
        <source>母线电压(V)</source>
        <translation>Bus voltage(V)</translation>
    </message>
    <message>
        <source>DC系统%1</source>
        <translation>DC system%1</translation>
    </message>
    <message>
        <source>闭合</source>
        <translation>Closed</translation>
    </message>
    <message>
        <source>断开</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>电压</source>
        <translation>Voltage</translation>
    </message>
    <message>
        <source>电流</source>
        <translation>Current</translation>
    </message>
    <message>
        <source>有功功率</source>
        <translation>Active</translation>
    </message>
    <message>
        <source>无功功率</source>
        <translation>Reactive</translation>
    </message>
    <message>
        <source>视在功率</source>
        <translation>Apparent</translation>
    </message>
    <message>
        <source>功率因数</source>
        <translation>PF</translation>
    </message>
    <message>
        <source>总有功功率(kW):</source>
        <translation>Total active power(kW):</translation>
    </message>
    <message>
        <source>总无功功率(kVAr):</source>
        <translation>Total reactive power(kVAr):</translation>
    </message>
    <message>
        <source>总视在功率(kVA):</source>
        <translation>Total apparent power(kVA):</translation>
    </message>
    <message>
        <source>有功充电电量(kWh):</source>
        <translation>Charged energy(kWh):</translation>
    </message>
    <message>
        <source>有功放电电量(kWh):</source>
        <translation>Discharged energy(kWh):</translation>
    </message>
    <message>
        <source>当天充电电量(kWh):</source>
        <translation>Charged today(kWh):</translation>
    </message>
    <message>
        <source>当天放电电量(kWh):</source>
        <translation>Discharged today(kWh):</translation>
    </message>
    <message>
        <source>版本</source>
        <translation>Version</translation>
    </message>
    <message>
        <source>状态</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>唤醒使能</source>
        <translation>Wake-up enable</translation>
    </message>
    <message>
        <source>强充使能</source>
        <translation>Forced charging enable</translation>
    </message>
    <message>
        <source>充满</source>
        <translation>Full</translation>
    </message>
    <message>
        <source>放空</source>
        <translation>Empty</translation>
    </message>
    <message>
        <source>告警</source>
        <translation>Alarm</translation>
    </message>
    <message>
        <source>故障</source>
        <translation>Fault</translation>
    </message>
    <message>
        <source>正常</source>
        <translation>Normal</translation>
    </message>
    <message>
        <source>Mode 0</source>
        <translation>Mode 0</translation>
    </message>
    <message>
        <source>Mode 1</source>
        <translation>Mode 1</translation>
    </message>
    <message>
        <source>BCMU</source>
        <translation>BCMU</translation>
    </message>
    <message>
        <source>BSMU</source>
        <translation>BSMU</translation>
    </message>
    <message>
        <source>不使能</source>
        <translation>Disabled</translation>
    </message>
    <message>
        <source>使能</source>
        <translation>Enabled</translation>
    </message>
    <message>
        <source>BMS系统</source>
        <translation>BMS</translation>
    </message>
    <message>
        <source>轻度告警</source>
        <translation>Light alarm</translation>
    </message>
    <message>
        <source>中度告警</source>
        <translation>Moderate alarm</translation>
    </message>
    <message>
        <source>严重告警</source>
        <translation>Severe alarm</translation>
    </message>
    <message>
        <source>警告</source>
        <translation>Warning</translation>
    </message>
    <message>
        <source>监控会自动重启生效该设置，是否确认?</source>
        <translation>To save and restart the PCS, are you sure?</translation>
    </message>
    <message>
        <source>有效</source>
        <translation>Valid</translation>
    </message>
    <message>
        <source>无效</source>
        <translation>Invalid</translation>
    </message>
    <message>
        <source>充电截止</source>
        <translation>Charge cut-off</translation>
    </message>
    <message>
        <source>放电截止</source>
        <translation>Discharge cut-off</translation>
    </message>
    <message>
        <source>请求待机</source>
        <translation>Request standby</translation>
    </message>
    <message>
        <source>请求保护</source>
        <translation>Request protection</translation>
    </message>
    <message>
        <source>初始化</source>
        <translation>Initialising</translation>
    </message>
    <message>
        <source>停止</source>
        <translation>Stopped</translation>
    </message>
    <message>
        <source>正在启动</source>
        <translation>Starting</translation>
    </message>
    <message>
        <source>运行</source>
        <translation>Running</translation>
    </message>
    <message>
        <source>正在停机</source>
        <translation>Stopping</translation>
    </message>
    <message>
        <source>空闲</source>
        <translation>Idle</translation>
    </message>
    <message>
        <source>充电</source>
        <translation>Charging</translation>
    </message>
    <message>
        <source>放电</source>
        <translation>Discharging</translation>
    </message>
    <message>
        <source>禁用</source>
        <translation>Disabled</translation>
    </message>
    <message>
        <source>开启</source>
        <translation>On</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Off</translation>
    </message>
    <message>
        <source>休眠</source>
        <translation>Sleep</translation>
    </message>
    <message>
        <source>搁置</source>
        <translation>Shelved</translation>
    </message>
</context>
<context>
    <name>interface_SysSet</name>
    <message>
        <source>模块</source>
        <translation>Module</translation>
    </message>
    <message>
        <source>支路</source>
        <translation>Branch</translation>
    </message>
</context>
<context>
    <name>interface_Tlm</name>
    <message>
        <source>充放电直方图</source>
        <translation>charge-discharge histogram</translation>
    </message>
    <message>
        <source>收益曲线图</source>
        <translation>Earnings graph</translation>
    </message>
    <message>
        <source>按年</source>
        <translation>Year</translation>
    </message>
    <message>
        <source>按月</source>
        <translation>Month</translation>
    </message>
    <message>
        <source>按日</source>
        <translation>Day</translation>
    </message>
    <message>
        <source>1月</source>
        <translation>January</translation>
    </message>
    <message>
        <source>2月</source>
        <translation>February</translation>
    </message>
    <message>
        <source>3月</source>
        <translation>March</translation>
    </message>
    <message>
        <source>4月</source>
        <translation>April</translation>
    </message>
    <message>
        <source>5月</source>
        <translation>May</translation>
    </message>
    <message>
        <source>6月</source>
        <translation>June</translation>
    </message>
    <message>
        <source>7月</source>
        <translation>July</translation>
    </message>
    <message>
        <source>8月</source>
        <translation>August</translation>
    </message>
    <message>
        <source>9月</source>
        <translation>September</translation>
    </message>
    <message>
        <source>10月</source>
        <translation>October</translation>
    </message>
    <message>
        <source>11月</source>
        <translation>November</translation>
    </message>
    <message>
        <source>12月</source>
        <translation>December</translation>
    </message>
    <message>
        <source>离网</source>
        <translation>Off-Grid</translation>
    </message>
    <message>
        <source>并网</source>
        <translation>On-Grid</translation>
    </message>
    <message>
        <source>2017</source>
        <translation>2017</translation>
    </message>
    <message>
        <source>2018</source>
        <translation>2018</translation>
    </message>
    <message>
        <source>2019</source>
        <translation>2019</translation>
    </message>
    <message>
        <source>2020</source>
        <translation>2020</translation>
    </message>
    <message>
        <source>2021</source>
        <translation>2021</translation>
    </message>
    <message>
        <source>2022</source>
        <translation>2022</translation>
    </message>
    <message>
        <source>2023</source>
        <translation>2023</translation>
    </message>
    <message>
        <source>2024</source>
        <translation>2024</translation>
    </message>
    <message>
        <source>2025</source>
        <translation>2025</translation>
    </message>
    <message>
        <source>2026</source>
        <translation>2026</translation>
    </message>
    <message>
        <source>2027</source>
        <translation>2027</translation>
    </message>
    <message>
        <source>2028</source>
        <translation>2028</translation>
    </message>
    <message>
        <source>2029</source>
        <translation>2029</translation>
    </message>
    <message>
        <source>2030</source>
        <translation>2030</translation>
    </message>
    <message>
        <source>1</source>
        <translation>1</translation>
    </message>
    <message>
        <source>2</source>
        <translation>2</translation>
    </message>
    <message>
        <source>3</source>
        <translation>3</translation>
    </message>
    <message>
        <source>4</source>
        <translation>4</translation>
    </message>
    <message>
        <source>5</source>
        <translation>5</translation>
    </message>
    <message>
        <source>6</source>
        <translation>6</translation>
    </message>
    <message>
        <source>7</source>
        <translation>7</translation>
    </message>
    <message>
        <source>8</source>
        <translation>8</translation>
    </message>
    <message>
        <source>9</source>
        <translation>9</translation>
    </message>
    <message>
        <source>10</source>
        <translation>10</translation>
    </message>
    <message>
        <source>11</source>
        <translation>11</translation>
    </message>
    <message>
        <source>12</source>
        <translation>12</translation>
    </message>
    <message>
        <source>13</source>
        <translation>13</translation>
    </message>
    <message>
        <source>14</source>
        <translation>14</translation>
    </message>
    <message>
        <source>15</source>
        <translation>15</translation>
    </message>
    <message>
        <source>16</source>
        <translation>16</translation>
    </message>
    <message>
        <source>17</source>
        <translation>17</translation>
    </message>
    <message>
        <source>18</source>
        <translation>18</translation>
    </message>
    <message>
        <source>19</source>
        <translation>19</translation>
    </message>
    <message>
        <source>20</source>
        <translation>20</translation>
    </message>
    <message>
        <source>21</source>
        <translation>21</translation>
    </message>
    <message>
        <source>22</source>
        <translation>22</translation>
    </message>
    <message>
        <source>23</source>
        <translation>23</translation>
    </message>
    <message>
        <source>24</source>
        <translation>24</translation>
    </message>
    <message>
        <source>25</source>
        <translation>25</translation>
    </message>
    <message>
        <source>26</source>
        <translation>26</translation>
    </message>
    <message>
        <source>27</source>
        <translation>27</translation>
    </message>
    <message>
        <source>28</source>
        <translation>28</translation>
    </message>
    <message>
        <source>29</source>
        <translation>29</translation>
    </message>
    <message>
        <source>30</source>
        <translation>30</translation>
    </message>
    <message>
        <source>31</source>
        <translation>31</translation>
    </message>
</context>
<context>
    <name>interface_login</name>
    <message>
        <source>Form</source>
        <translation>Form</translation>
    </message>
    <message>
        <source>请输入密码：</source>
        <translation>Password:</translation>
    </message>
    <message>
        <source>自动升级</source>
        <translation>Auto Update</translation>
    </message>
    <message>
        <source>C</source>
        <translation>C</translation>
    </message>
    <message>
        <source> 登录</source>
        <translation> Login</translation>
    </message>
    <message>
        <source> 注销</source>
        <translation> Logout</translation>
    </message>
    <message>
        <source>维护工程师</source>
        <translation>Service engineer</translation>
    </message>
    <message>
        <source>维护工程师1</source>
        <translation>Service engineer 1</translation>
    </message>
    <message>
        <source>后台管理员</source>
        <translation>Manager</translation>
    </message>
    <message>
        <source>超级管理员</source>
        <translation>Administrator</translation>
    </message>
    <message>
        <source>客户</source>
        <translation>User</translation>
    </message>
    <message>
        <source>错误</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>密码错误！</source>
        <translation>Password Invalid</translation>
    </message>
    <message>
        <source>亲爱的 </source>
        <translation> Dear </translation>
    </message>
    <message>
        <source>
  欢迎进入PCS操作系统</source>
        <translation>
Welcome to control panel</translation>
    </message>
    <message>
        <source>U盘中没有DCAC的升级文件，请确认U盘是否存在文件！</source>
        <translation>Please verify that the U disk has the file</translation>
    </message>
    <message>
        <source>U盘中没有DCDC的升级文件，请确认U盘是否存在文件！</source>
        <translation>Please verify that the U disk has the file</translation>
    </message>
    <message>
        <source>U盘中没有U2的升级文件，请确认U盘是否存在文件！</source>
        <translation>Please verify that the U disk has the file</translation>
    </message>
    <message>
        <source>U盘中没有STS的升级文件，请确认U盘是否存在文件！</source>
        <translation>Please verify that the U disk has the file</translation>
    </message>
    <message>
        <source>正在升级AC,不能下电!</source>
        <translation>Upgrading AC, Now you can&apos;t reboot the PCS</translation>
    </message>
    <message>
        <source>正在升级DC,不能下电!</source>
        <translation>Upgrading DC, Now you can&apos;t reboot the PCS</translation>
    </message>
    <message>
        <source>正在升级U2,不能下电!</source>
        <translation>Upgrading U2, Now you can&apos;t reboot the PCS</translation>
    </message>
    <message>
        <source>正在升级sts,不能下电</source>
        <translation>Upgrading STS, Now you can&apos;t reboot the PCS</translation>
    </message>
    <message>
        <source>提示</source>
        <translation>Information</translation>
    </message>
    <message>
        <source>是否确认升级?</source>
        <translation>Are you sure to upgrade?</translation>
    </message>
    <message>
        <source>升级中...</source>
        <translation>Upgrading...</translation>
    </message>
    <message>
        <source>请插入U盘</source>
        <translation>Please insert USB flash disk!</translation>
    </message>
    <message>
        <source>升级成功,请下电重启!</source>
        <translation>update success,please reboot the PCS!</translation>
    </message>
    <message>
        <source>没有检测到模块在线!</source>
        <translation>No modules  online!</translation>
    </message>
    <message>
        <source>升级失败,不能下电,请联系厂家技术支持</source>
        <translation>upgrade failed. Now you can&apos;t reboot the PCS. Please contact the manufacturer for technical support.</translation>
    </message>
    <message>
        <source>U2升级失败,不能下电,请联系厂家技术支持</source>
        <translation>U2 upgrade failed. Now you can&apos;t reboot the PCS. Please contact the manufacturer for technical support.</translation>
    </message>
    <message>
        <source>STS升级失败,不能下电,请联系厂家技术支持</source>
        <translation>STS upgrade failed. Now you can&apos;t reboot the PCS. Please contact the manufacturer for technical support.</translation>
    </message>
</context>
<context>
    <name>tab_set</name>
    <message>
        <source>TabWidget</source>
        <translation>TabWidget</translation>
    </message>
    <message>
        <source>页</source>
        <translation>Page</translation>
    </message>
    <message>
        <source>调度参数(机架）</source>
        <translation>Dispatching parameters (cabinet)</translation>
    </message>
    <message>
        <source>能量调度模式</source>
        <translation>Energy dispatching mode</translation>
    </message>
    <message>
        <source>交流调度</source>
        <translation>AC dispatching</translation>
    </message>
    <message>
        <source>直流调度</source>
        <translation>DC dispatching</translation>
    </message>
    <message>
        <source>支路调度(有功)</source>
        <translation>String dispatching</translation>
    </message>
    <message>
        <source>有功控制模式</source>
        <translation>Active power control mode</translation>
    </message>
    <message>
        <source>功率变化模式</source>
        <translation>Power change mode</translation>
    </message>
    <message>
        <source>常规功率变换速率</source>
        <translation>RR-Normal ramp rate</translation>
    </message>
    <message>
        <source>软启动功率变换速率</source>
        <translation>SS-Soft-start ramp rate</translation>
    </message>
    <message>
        <source>电网恢复延时</source>
        <translation>Grid recovery delay</translation>
    </message>
    <message>
        <source>孤岛检测使能</source>
        <translation>Anti-islanding enable</translation>
    </message>
    <message>
        <source>电压频率穿越使能</source>
        <translation>FVRT function</translation>
    </message>
    <message>
        <source>电压频率穿越限流使能</source>
        <translation>FVRT Limit function</translation>
    </message>
    <message>
        <source>离网电压启动模式</source>
        <translation>Off -grid Volt startup mode</translation>
    </message>
    <message>
        <source>离网交流电压调节</source>
        <translation>Off-grid AC Volt regulation</translation>
    </message>
    <message>
        <source>DRMs模式使能</source>
        <translation>DRMs mode enable</translation>
    </message>
    <message>
        <source>认证快检保护</source>
        <translation>fast protect for certification</translation>
    </message>
    <message>
        <source>接地故障使能</source>
        <translation>Ground Fault Detecting</translation>
    </message>
    <message>
        <source>电压保护</source>
        <translation>L/HVRT</translation>
    </message>
    <message>
        <source>过压1段保护幅值</source>
        <translation>OVR1 protect voltage</translation>
    </message>
    <message>
        <source>过压1段保护时间</source>
        <translation>OVR1 trip time</translation>
    </message>
    <message>
        <source>过压2段保护幅值</source>
        <translation>OVR2 protect voltage</translation>
    </message>
    <message>
        <source>过压2段保护时间</source>
        <translation>OVR2 trip time</translation>
    </message>
    <message>
        <source>欠压1段保护幅值</source>
        <translation>UVR1 protect voltage</translation>
    </message>
    <message>
        <source>欠压1段保护时间</source>
        <translation>UVR1 trip time</translation>
    </message>
    <message>
        <source>欠压2段保护幅值</source>
        <translation>UVR2 protect voltage</translation>
    </message>
    <message>
        <source>欠压2段保护时间</source>
        <translation>UVR2 trip time</translation>
    </message>
    <message>
        <source>欠压3段保护幅值</source>
        <translation>UVR3 protect voltage</translation>
    </message>
    <message>
        <source>欠压3段保护时间</source>
        <translation>UVR3 trip time</translation>
    </message>
    <message>
        <source>10分钟过压幅值</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>频率保护</source>
        <translation>L/HFRT</translation>
    </message>
    <message>
        <source>过频1段保护幅值</source>
        <translation>OFR1 protect frequency</translation>
    </message>
    <message>
        <source>过频1段保护时间</source>
        <translation>OFR1 trip time</translation>
    </message>
    <message>
        <source>过频2段保护幅值</source>
        <translation>OFR2  protect frequency</translation>
    </message>
    <message>
        <source>过频2段保护时间</source>
        <translation>OFR2  trip time</translation>
    </message>
    <message>
        <source>欠频1段保护幅值</source>
        <translation>UFR1  protect frequency</translation>
    </message>
    <message>
        <source>欠频1段保护时间</source>
        <translation>UFR1 trip time</translation>
    </message>
    <message>
        <source>欠频2段保护幅值</source>
        <translation>UFR2 protect frequency</translation>
    </message>
    <message>
        <source>欠频2段保护时间</source>
        <translation>UFR2 trip time</translation>
    </message>
    <message>
        <source>电压穿越</source>
        <translation>L/HVRT</translation>
    </message>
    <message>
        <source>高压1段穿越幅值</source>
        <translation>OVR1 voltage</translation>
    </message>
    <message>
        <source>高压1段穿越时间</source>
        <translation>OVR1 time</translation>
    </message>
    <message>
        <source>高压2段穿越幅值</source>
        <translation>OVR2 voltage</translation>
    </message>
    <message>
        <source>高压2段穿越时间</source>
        <translation>OVR2 time</translation>
    </message>
    <message>
        <source>低压1段穿越幅值</source>
        <translation>UVR1 voltage</translation>
    </message>
    <message>
        <source>低压1段穿越时间</source>
        <translation>UVR1 time</translation>
    </message>
    <message>
        <source>低压2段穿越幅值</source>
        <translation>UVR2 voltage</translation>
    </message>
    <message>
        <source>低压2段穿越时间</source>
        <translation>UVR2 time</translation>
    </message>
    <message>
        <source>低压3段穿越幅值</source>
        <translation>UVR3 voltage</translation>
    </message>
    <message>
        <source>低压3段穿越时间</source>
        <translation>UVR3 time</translation>
    </message>
    <message>
        <source>功率因数曲线设置</source>
        <translation>PF curve settings</translation>
    </message>
    <message>
        <source>频率穿越</source>
        <translation>L/HFRT</translation>
    </message>
    <message>
        <source>过频1段穿越幅值</source>
        <translation>OFR1 frequency</translation>
    </message>
    <message>
        <source>过频1段穿越时间</source>
        <translation>OFR1 time</translation>
    </message>
    <message>
        <source>过频2段穿越幅值</source>
        <translation>OFR2 frequency</translation>
    </message>
    <message>
        <source>过频2段穿越时间</source>
        <translation>OFR2 time</translation>
    </message>
    <message>
        <source>欠频1段穿越幅值</source>
        <translation>UFR1 frequency</translation>
    </message>
    <message>
        <source>欠频1段穿越时间</source>
        <translation>UFR1 time</translation>
    </message>
    <message>
        <source>欠频2段穿越幅值</source>
        <translation>UFR2 frequency</translation>
    </message>
    <message>
        <source>欠频2段穿越时间</source>
        <translation>UFR2 time</translation>
    </message>
    <message>
        <source>恢复并网上限频率</source>
        <translation>Restore upper limit freq</translation>
    </message>
    <message>
        <source>恢复并网下限频率</source>
        <translation>Restore lower limit freq</translation>
    </message>
    <message>
        <source>电压调无功</source>
        <translation>Volt-VAr</translation>
    </message>
    <message>
        <source>电压无功调节点V1</source>
        <translation>Volt/var point 1</translation>
    </message>
    <message>
        <source>电压无功调节点V2</source>
        <translation>Volt/var point 2</translation>
    </message>
    <message>
        <source>电压无功调节点V3</source>
        <translation>Volt/var point 3</translation>
    </message>
    <message>
        <source>电压无功调节点V4</source>
        <translation>Volt/var point 4</translation>
    </message>
    <message>
        <source>最大容性无功调节量Q1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>初始容性无功调节量Q2</source>
        <translation>Initial capacitive reactive regulation 2</translation>
    </message>
    <message>
        <source>初始感性无功调节量Q3</source>
        <translation>Initial inductive reactive regulation 3</translation>
    </message>
    <message>
        <source>最大感性无功调节量Q4</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>电压无功调节反应时间</source>
        <translation>Volt/var reaction time</translation>
    </message>
    <message>
        <source>电压无功调节参考电压</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>电压调有功</source>
        <translation>Volt-Watt </translation>
    </message>
    <message>
        <source>过压降有功起始调节点V1</source>
        <translation>Volt/Watt V1</translation>
    </message>
    <message>
        <source>过压降有功终止调节点V2</source>
        <translation>Volt/Watt V2</translation>
    </message>
    <message>
        <source>过压降有功起始功率P1</source>
        <translation>Volt-Wat P1</translation>
    </message>
    <message>
        <source>过压降有功终止功率P2</source>
        <translation>Volt-Wat P2</translation>
    </message>
    <message>
        <source>过压降有功反应时间</source>
        <translation>Volt/Watt response time</translation>
    </message>
    <message>
        <source>过压降有功恢复延时</source>
        <translation>Volt/Watt delay</translation>
    </message>
    <message>
        <source>频率调有功</source>
        <translation>Freq-Watt</translation>
    </message>
    <message>
        <source>过频降有功调节点</source>
        <translation>Freq/Watt point</translation>
    </message>
    <message>
        <source>过频降有功调节斜率</source>
        <translation>Freq/Watt ramp rate</translation>
    </message>
    <message>
        <source>过频降有功反应时间</source>
        <translation>Freq-Watt response time</translation>
    </message>
    <message>
        <source>过频反应终止调节点</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>欠频反应起始调节点</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>欠频反应终止调节点</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>防逆流控制命令0</source>
        <translation>Non-export command 0</translation>
    </message>
    <message>
        <source>负载不平衡补偿功能使能</source>
        <translation>Load imbalance compensation</translation>
    </message>
    <message>
        <source>本地功率因数控制功能使能</source>
        <translation>Local PF control</translation>
    </message>
    <message>
        <source>本地变压器容量设置</source>
        <translation>Local transformer capacity</translation>
    </message>
    <message>
        <source>电网电流CT变比</source>
        <translation>Grid current CT</translation>
    </message>
    <message>
        <source>防逆流功率设置</source>
        <translation>Non-export power setting</translation>
    </message>
    <message>
        <source>本地功率因数设置</source>
        <translation>Local power factor setting</translation>
    </message>
    <message>
        <source>设定有功模式</source>
        <translation>Fixed Power</translation>
    </message>
    <message>
        <source>Volt-Watt</source>
        <translation>Volt-Watt</translation>
    </message>
    <message>
        <source>Freq-Watt</source>
        <translation>Freq-Watt</translation>
    </message>
    <message>
        <source>V-W&amp;F-W</source>
        <translation>V-W&amp;F-W</translation>
    </message>
    <message>
        <source>无功功率控制模式(无功优先)</source>
        <translation>Reactive power control mode(reactive priority)</translation>
    </message>
    <message>
        <source>不启用</source>
        <translation>Disabled</translation>
    </message>
    <message>
        <source>恒功率因数控制</source>
        <translation>Fixed PF</translation>
    </message>
    <message>
        <source>恒无功功率控制</source>
        <translation>Fixed Power</translation>
    </message>
    <message>
        <source>电压调节无功</source>
        <translation>Volt-VAr</translation>
    </message>
    <message>
        <source>功率因数曲线控制</source>
        <translation>PF Curve</translation>
    </message>
    <message>
        <source>有功功率设置</source>
        <translation>Active power setpoint</translation>
    </message>
    <message>
        <source>kW</source>
        <translation>kW</translation>
    </message>
    <message>
        <source>无功功率设置</source>
        <translation>Reactive power setpoint</translation>
    </message>
    <message>
        <source>kVAr</source>
        <translation>kVAr</translation>
    </message>
    <message>
        <source>功率因数设置</source>
        <translation>PF setpoint</translation>
    </message>
    <message>
        <source>调度参数(支路）</source>
        <translation>Dispatching parameters (string)</translation>
    </message>
    <message>
        <source>支路</source>
        <translation>String</translation>
    </message>
    <message>
        <source>1</source>
        <translation>1</translation>
    </message>
    <message>
        <source>2</source>
        <translation>2</translation>
    </message>
    <message>
        <source>3</source>
        <translation>3</translation>
    </message>
    <message>
        <source>4</source>
        <translation>4</translation>
    </message>
    <message>
        <source>5</source>
        <translation>5</translation>
    </message>
    <message>
        <source>6</source>
        <translation>6</translation>
    </message>
    <message>
        <source>7</source>
        <translation>7</translation>
    </message>
    <message>
        <source>8</source>
        <translation>8</translation>
    </message>
    <message>
        <source>9</source>
        <translation>9</translation>
    </message>
    <message>
        <source>10</source>
        <translation>10</translation>
    </message>
    <message>
        <source>支路有功设置</source>
        <translation>DC string active power setpoint</translation>
    </message>
    <message>
        <source>直流控制模式</source>
        <translation>DC control mode</translation>
    </message>
    <message>
        <source>恒流</source>
        <translation>Const Current</translation>
    </message>
    <message>
        <source>恒功率</source>
        <translation>Const Power</translation>
    </message>
    <message>
        <source>直流电流设置</source>
        <translation>DC current setpoint</translation>
    </message>
    <message>
        <source>A</source>
        <translation>A</translation>
    </message>
    <message>
        <source>直流功率设置</source>
        <translation>DC power setpoint</translation>
    </message>
    <message>
        <source>预充电时间</source>
        <translation>Precharge time</translation>
    </message>
    <message>
        <source>min</source>
        <translation>min</translation>
    </message>
    <message>
        <source>机型设置：</source>
        <translation>Cabinet type</translation>
    </message>
    <message>
        <source>HUX1-50K</source>
        <translation>HUX1-50K</translation>
    </message>
    <message>
        <source>HUX1-100K</source>
        <translation>HUX1-100K</translation>
    </message>
    <message>
        <source>HUX1-150K</source>
        <translation>HUX1-150K</translation>
    </message>
    <message>
        <source>HUX1-250K</source>
        <translation>HUX1-250K</translation>
    </message>
    <message>
        <source>HUJ2-50K</source>
        <translation>HUJ2-50K</translation>
    </message>
    <message>
        <source>HUJ2-100K</source>
        <translation>HUJ2-100K</translation>
    </message>
    <message>
        <source>HUX2-100K-2-H</source>
        <translation>HUX2-100K-2-H</translation>
    </message>
    <message>
        <source>HUX1-50K-H</source>
        <translation>HUX1-50K-H</translation>
    </message>
    <message>
        <source>HUX1-100K-H</source>
        <translation>HUX1-100K-H</translation>
    </message>
    <message>
        <source>HUX1-150K-H</source>
        <translation>HUX1-150K-H</translation>
    </message>
    <message>
        <source>HUX2-50K-H</source>
        <translation>HUX2-50K-H</translation>
    </message>
    <message>
        <source>HUX2-100K-H</source>
        <translation>HUX2-100K-H</translation>
    </message>
    <message>
        <source>HUX2-250K-H</source>
        <translation>HUX2-250K-H</translation>
    </message>
    <message>
        <source>HUX2-50K-3-H</source>
        <translation>HUX2-50K-3-H</translation>
    </message>
    <message>
        <source>HUX1-500K-H-TL</source>
        <translation>HUX1-500K-H-TL</translation>
    </message>
    <message>
        <source>HUX1-500K-4-H-TL</source>
        <translation>HUX1-500K-4-H-TL</translation>
    </message>
    <message>
        <source>HUX1-500K-8-H-TL</source>
        <translation>HUX1-500K-8-H-TL</translation>
    </message>
    <message>
        <source>HUX1-50K-NA</source>
        <translation>HUX1-50K-NA</translation>
    </message>
    <message>
        <source>HUX1-100K-NA</source>
        <translation>HUX1-100K-NA</translation>
    </message>
    <message>
        <source>HUX1-150K-NA</source>
        <translation>HUX1-150K-NA</translation>
    </message>
    <message>
        <source>HUJ2-50K-NA</source>
        <translation>HUJ2-50K-NA</translation>
    </message>
    <message>
        <source>HUJ2-100K-NA</source>
        <translation>HUJ2-100K-NA</translation>
    </message>
    <message>
        <source>HUX1-250K-NA</source>
        <translation>HUX1-250K-NA</translation>
    </message>
    <message>
        <source>HUX1-150K-3</source>
        <translation>HUX1-150K-3</translation>
    </message>
    <message>
        <source>HUX1-500K-TL</source>
        <translation>HUX1-500K-TL</translation>
    </message>
    <message>
        <source>HUX1-250K-H</source>
        <translation>HUX1-250K-H</translation>
    </message>
    <message>
        <source>HUX1-250k-4-H</source>
        <translation>HUX1-250k-4-H</translation>
    </message>
    <message>
        <source>HUX1-500K-2-H-TL</source>
        <translation>HUX1-500K-2-H-TL</translation>
    </message>
    <message>
        <source>HUX1-630K-H-TL</source>
        <translation>HUX1-630K-H-TL</translation>
    </message>
    <message>
        <source>HUX1-400K-8-TL</source>
        <translation>HUX1-400K-8-TL</translation>
    </message>
    <message>
        <source>HUJ2-30K</source>
        <translation>HUJ2-30K</translation>
    </message>
    <message>
        <source>HUX2-250K-4-H</source>
        <translation>HUX2-250K-4-H</translation>
    </message>
    <message>
        <source>HUX1-250K-2-H</source>
        <translation>HUX1-250K-2-H</translation>
    </message>
    <message>
        <source>HUX1-自老化</source>
        <translation>HUX1-Ageing</translation>
    </message>
    <message>
        <source>HUX2-自老化</source>
        <translation>HUX2-Ageing</translation>
    </message>
    <message>
        <source>认证标准：</source>
        <translation>Certification</translation>
    </message>
    <message>
        <source>国内版</source>
        <translation>CHN</translation>
    </message>
    <message>
        <source>北美版</source>
        <translation>USA</translation>
    </message>
    <message>
        <source>澳洲版</source>
        <translation>Australia</translation>
    </message>
    <message>
        <source>英国版</source>
        <translation>UK</translation>
    </message>
    <message>
        <source>直流接入类型：</source>
        <translation>Str.1 type:</translation>
    </message>
    <message>
        <source>锂电池</source>
        <translation>Lithium batt</translation>
    </message>
    <message>
        <source>光伏</source>
        <translation>PV</translation>
    </message>
    <message>
        <source>超级电容</source>
        <translation>Super Cap.</translation>
    </message>
    <message>
        <source>直流源</source>
        <translation>DC Source</translation>
    </message>
    <message>
        <source>铅酸电池</source>
        <translation>Lead-acid batt</translation>
    </message>
    <message>
        <source>预留</source>
        <translation>Reserved</translation>
    </message>
    <message>
        <source>直流2接入类型：</source>
        <translation>Str.2 type:</translation>
    </message>
    <message>
        <source>直流3接入类型：</source>
        <translation>Str.3 type:</translation>
    </message>
    <message>
        <source>直流4接入类型：</source>
        <translation>Str.4 type:</translation>
    </message>
    <message>
        <source>直流5接入类型：</source>
        <translation>Str.5 type:</translation>
    </message>
    <message>
        <source>直流6接入类型：</source>
        <translation>Str.6 type:</translation>
    </message>
    <message>
        <source>直流7接入类型：</source>
        <translation>Str.7 type:</translation>
    </message>
    <message>
        <source>直流8接入类型：</source>
        <translation>Str.8 type:</translation>
    </message>
    <message>
        <source>逆变器类型：</source>
        <translation>Inverter type:</translation>
    </message>
    <message>
        <source>双模</source>
        <translation>Dual</translation>
    </message>
    <message>
        <source>预留1</source>
        <translation>Reserved 1</translation>
    </message>
    <message>
        <source>预留2</source>
        <translation>Reserve 2</translation>
    </message>
    <message>
        <source>微网1</source>
        <translation>Micro.1</translation>
    </message>
    <message>
        <source>STS切换</source>
        <translation>STS switch</translation>
    </message>
    <message>
        <source>切换柜</source>
        <translation>Cabinet switch</translation>
    </message>
    <message>
        <source>IO切换</source>
        <translation>IO switch</translation>
    </message>
    <message>
        <source>高压切换</source>
        <translation>kV switch</translation>
    </message>
    <message>
        <source>接触器切换</source>
        <translation>Relay switch</translation>
    </message>
    <message>
        <source>预留9</source>
        <translation>Reserved 9</translation>
    </message>
    <message>
        <source>额定频率等级：</source>
        <translation>Rated frequency:</translation>
    </message>
    <message>
        <source>50Hz</source>
        <translation>50Hz</translation>
    </message>
    <message>
        <source>60Hz</source>
        <translation>60Hz</translation>
    </message>
    <message>
        <source>额定电压等级：</source>
        <translation>Rated voltage:</translation>
    </message>
    <message>
        <source>380V</source>
        <translation>380V</translation>
    </message>
    <message>
        <source>400V</source>
        <translation>400V</translation>
    </message>
    <message>
        <source>机架ID：</source>
        <translation>Rack ID:</translation>
    </message>
    <message>
        <source>工作模式：</source>
        <translation>Working mode：</translation>
    </message>
    <message>
        <source>正常工作</source>
        <translation>Normal</translation>
    </message>
    <message>
        <source>自老化</source>
        <translation>Ageing</translation>
    </message>
    <message>
        <source>测试</source>
        <translation>Debug</translation>
    </message>
    <message>
        <source>直流母线</source>
        <translation>Dcbus</translation>
    </message>
    <message>
        <source>直流母线-Ensync </source>
        <translation>Dcbus-Ensync</translation>
    </message>
    <message>
        <source>软启动方式：</source>
        <translation>Soft start:</translation>
    </message>
    <message>
        <source>DC软启动</source>
        <translation>From DC</translation>
    </message>
    <message>
        <source>AC软启动</source>
        <translation>From AC</translation>
    </message>
    <message>
        <source>控制参数字3：</source>
        <translation>Control parameter 3:</translation>
    </message>
    <message>
        <source>应用</source>
        <translation>Apply</translation>
    </message>
    <message>
        <source>注:
1.需点击应用按钮然后机架下电才生效设置!
2.点击应用后，交流参数中关于认证的参数会恢复成默认值</source>
        <translation>Note:
1.Click the apply button and Reboot the PCS to take effect
2.After clicking apply, the parameters related to certification in the AC parameters will be restored to the default values.</translation>
    </message>
    <message>
        <source>Tab 2</source>
        <translation>Tab 2</translation>
    </message>
    <message>
        <source>启动方式</source>
        <translation>Start up mode</translation>
    </message>
    <message>
        <source>自动开机</source>
        <translation>Auto</translation>
    </message>
    <message>
        <source>手动开机</source>
        <translation>Manual</translation>
    </message>
    <message>
        <source>直流参数设置方式</source>
        <translation>DC string setting pattern</translation>
    </message>
    <message>
        <source>统一设置</source>
        <translation>Concurrently</translation>
    </message>
    <message>
        <source>单独设置</source>
        <translation>One by One</translation>
    </message>
    <message>
        <source>离网中性点接地继电器</source>
        <translation>Off-grid neutral grounding relay</translation>
    </message>
    <message>
        <source>断开</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>闭合</source>
        <translation>Closed</translation>
    </message>
    <message>
        <source>控制参数1</source>
        <translation>Control parameter 1</translation>
    </message>
    <message>
        <source>控制参数2</source>
        <translation>Control parameter 2</translation>
    </message>
    <message>
        <source>控制参数4</source>
        <translation>Control parameter 4</translation>
    </message>
    <message>
        <source>控制参数5</source>
        <translation>Control parameter 5</translation>
    </message>
    <message>
        <source>Tab 1</source>
        <translation>Tab 1</translation>
    </message>
    <message>
        <source>系统时间设置</source>
        <translation>Realtime clock</translation>
    </message>
    <message>
        <source>IP设置</source>
        <translation>IP</translation>
    </message>
    <message>
        <source>网关</source>
        <translation>Gateway</translation>
    </message>
    <message>
        <source>子网掩码</source>
        <translation>Subnet mask</translation>
    </message>
    <message>
        <source>modbus设备地址</source>
        <translation>Modbus address</translation>
    </message>
    <message>
        <source>通讯波特率</source>
        <translation>RTU baud rate</translation>
    </message>
    <message>
        <source>19200</source>
        <translation>19200</translation>
    </message>
    <message>
        <source>9600</source>
        <translation>9600</translation>
    </message>
    <message>
        <source>BMS协议类型</source>
        <translation>Integrated BMS protocol</translation>
    </message>
    <message>
        <source>BMS-A-1.2</source>
        <translation>BMS-A-1.2</translation>
    </message>
    <message>
        <source>BMS-A-1.4</source>
        <translation>BMS-A-1.4</translation>
    </message>
    <message>
        <source>BMS-B</source>
        <translation>BMS-B</translation>
    </message>
    <message>
        <source>BMS-C</source>
        <translation>BMS-C</translation>
    </message>
    <message>
        <source>BMS-D</source>
        <translation>BMS-D</translation>
    </message>
    <message>
        <source>BMS-E-485</source>
        <translation>BMS-E-485</translation>
    </message>
    <message>
        <source>BMS-F</source>
        <translation>BMS-F</translation>
    </message>
    <message>
        <source>BMS-G-pre</source>
        <translation>BMS-G-pre</translation>
    </message>
    <message>
        <source>BMS-G</source>
        <translation>BMS-G</translation>
    </message>
    <message>
        <source>BMS-E-CAN</source>
        <translation>BMS-E-CAN</translation>
    </message>
    <message>
        <source>BMS-H</source>
        <translation>BMS-H</translation>
    </message>
    <message>
        <source>语言</source>
        <translation>Language</translation>
    </message>
    <message>
        <source>简体中文</source>
        <translation>简体中文</translation>
    </message>
    <message>
        <source>English</source>
        <translation>English</translation>
    </message>
    <message>
        <source>BMS限值生效</source>
        <translation>BMS thresholds effective</translation>
    </message>
    <message>
        <source>不使能</source>
        <translation>Disabled</translation>
    </message>
    <message>
        <source>使能</source>
        <translation>Enabled</translation>
    </message>
    <message>
        <source>清空数据</source>
        <translation>Clear Logs</translation>
    </message>
    <message>
        <source>保存出厂设置</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>恢复出厂设置</source>
        <translation>Reset Settings</translation>
    </message>
    <message>
        <source>更换LOGO</source>
        <translation>Change Logo</translation>
    </message>
    <message>
        <source>屏幕校准</source>
        <translation>Calibrate</translation>
    </message>
    <message>
        <source>修改MAC</source>
        <translation>Modify MAC</translation>
    </message>
    <message>
        <source>截屏</source>
        <translation>Print Screen</translation>
    </message>
    <message>
        <source>阶跃</source>
        <translation>Step</translation>
    </message>
    <message>
        <source>斜率</source>
        <translation>Ramp rate</translation>
    </message>
    <message>
        <source>启用</source>
        <translation>Enabled</translation>
    </message>
    <message>
        <source>电池</source>
        <translation>Battery</translation>
    </message>
    <message>
        <source>备用类型1</source>
        <translation>Reserved1</translation>
    </message>
    <message>
        <source>备用类型2</source>
        <translation>Reserved2</translation>
    </message>
    <message>
        <source>并网优先离网可设</source>
        <translation>Allowed to set Off-grid</translation>
    </message>
    <message>
        <source>并网优先离网不可设</source>
        <translation>Not allowed to set Off-grid</translation>
    </message>
    <message>
        <source>控制参数字1</source>
        <translation>Control parameter 1</translation>
    </message>
    <message>
        <source>控制参数字2</source>
        <translation>Control parameter 2</translation>
    </message>
    <message>
        <source>控制参数字3</source>
        <translation>Control parameter 3</translation>
    </message>
    <message>
        <source>并网转离网模式</source>
        <translation>Grid-tied turn to Off-grid mode </translation>
    </message>
    <message>
        <source>电网电压保护上限</source>
        <translation>Over Voltage Trip Threshold</translation>
    </message>
    <message>
        <source>1.05~1.25，默认1.10</source>
        <translation>1.05~1.25, default 1.10</translation>
    </message>
    <message>
        <source>电网电压保护下限</source>
        <translation>Under Voltage Trip Threshold</translation>
    </message>
    <message>
        <source>0.50~0.95，默认0.85</source>
        <translation>0.50~0.95, default 0.85</translation>
    </message>
    <message>
        <source>电网频率保护上限</source>
        <translation>Over Frequency Trip Threshold</translation>
    </message>
    <message>
        <source>0.00~5.00Hz，默认1.00</source>
        <translation>0.00~5.00Hz, default 1.00</translation>
    </message>
    <message>
        <source>电网频率保护下限</source>
        <translation>Under Frequency Trip Threshold</translation>
    </message>
    <message>
        <source>-5.00~0.00Hz，默认-1.50</source>
        <translation>-5.00~0.00Hz, default -1.50</translation>
    </message>
    <message>
        <source>调试变量地址1</source>
        <translation>Debug1</translation>
    </message>
    <message>
        <source>调试变量地址2</source>
        <translation>Debug2</translation>
    </message>
    <message>
        <source>调试变量地址3</source>
        <translation>Debug3</translation>
    </message>
    <message>
        <source>测试参数1</source>
        <translation>Test1</translation>
    </message>
    <message>
        <source>测试参数2</source>
        <translation>Test2</translation>
    </message>
    <message>
        <source>测试参数3</source>
        <translation>Test3</translation>
    </message>
    <message>
        <source>A相电网电压实际值</source>
        <translation>Actual Grid Uab</translation>
    </message>
    <message>
        <source>B相电网电压实际值</source>
        <translation>Actual Grid Ubc</translation>
    </message>
    <message>
        <source>C相电网电压实际值</source>
        <translation>Actual Grid Uca</translation>
    </message>
    <message>
        <source>A相电网电流实际值</source>
        <translation>Actual Grid Ia</translation>
    </message>
    <message>
        <source>B相电网电流实际值</source>
        <translation>Actual Grid Ib</translation>
    </message>
    <message>
        <source>C相电网电流实际值</source>
        <translation>Actual Grid Ic</translation>
    </message>
    <message>
        <source>A相负载电压实际值</source>
        <translation>Actual Load Uab</translation>
    </message>
    <message>
        <source>B相负载电压实际值</source>
        <translation>Actual Load Ubc</translation>
    </message>
    <message>
        <source>C相负载电压实际值</source>
        <translation>Actual Load Uca</translation>
    </message>
    <message>
        <source>A相负载电流实际值</source>
        <translation>Actual Load Ia</translation>
    </message>
    <message>
        <source>B相负载电流实际值</source>
        <translation>Actual Load Ib</translation>
    </message>
    <message>
        <source>C相负载电流实际值</source>
        <translation>Actual Load Ic</translation>
    </message>
    <message>
        <source>A相输出电流实际值</source>
        <translation>Actual Ia</translation>
    </message>
    <message>
        <source>B相输出电流实际值</source>
        <translation>Actual Ib</translation>
    </message>
    <message>
        <source>C相输出电流实际值</source>
        <translation>Actual Ic</translation>
    </message>
    <message>
        <source>A相电感电流实际值</source>
        <translation>Actual Ila</translation>
    </message>
    <message>
        <source>B相电感电流实际值</source>
        <translation>Actual Ilb</translation>
    </message>
    <message>
        <source>C相电感电流实际值</source>
        <translation>Actual Ilc</translation>
    </message>
    <message>
        <source>A相逆变电压实际值</source>
        <translation>Actual Uinva</translation>
    </message>
    <message>
        <source>B相逆变电压实际值</source>
        <translation>Actual Uinvb</translation>
    </message>
    <message>
        <source>C相逆变电压实际值</source>
        <translation>Actual Uinvc</translation>
    </message>
    <message>
        <source>正母线电压实际值</source>
        <translation>Actual Ubus+</translation>
    </message>
    <message>
        <source>负母线电压实际值</source>
        <translation>Actual Ubus-</translation>
    </message>
    <message>
        <source>直流电流实际值</source>
        <translation>Actual Idc</translation>
    </message>
    <message>
        <source>直流电压实际值</source>
        <translation>Actual Udc</translation>
    </message>
    <message>
        <source>电池电流实际值</source>
        <translation>Actual Idc</translation>
    </message>
    <message>
        <source>内电池电压实际值</source>
        <translation>Actual Inner Udc</translation>
    </message>
    <message>
        <source>电池电压实际值</source>
        <translation>Actual  Udc</translation>
    </message>
    <message>
        <source>内母线电压实际值</source>
        <translation>Actual Inner Ubus</translation>
    </message>
    <message>
        <source>母线电压实际值</source>
        <translation>Actual Ubus</translation>
    </message>
    <message>
        <source>调试变量1地址</source>
        <translation>Debug1</translation>
    </message>
    <message>
        <source>调试变量2地址</source>
        <translation>Debug2</translation>
    </message>
    <message>
        <source>调试变量3地址</source>
        <translation>Debug3</translation>
    </message>
    <message>
        <source>Page</source>
        <translation>Page</translation>
    </message>
    <message>
        <source>类型选择</source>
        <translation>Module Type</translation>
    </message>
    <message>
        <source>DCAC</source>
        <translation>DCAC</translation>
    </message>
    <message>
        <source>DCDC</source>
        <translation>DCDC</translation>
    </message>
    <message>
        <source>U2</source>
        <translation>U2</translation>
    </message>
    <message>
        <source>STS</source>
        <translation>STS</translation>
    </message>
    <message>
        <source>模块选择</source>
        <translation>Select Modue Number</translation>
    </message>
    <message>
        <source>全选</source>
        <translation>All</translation>
    </message>
    <message>
        <source>模块</source>
        <translation>Module</translation>
    </message>
    <message>
        <source>#1</source>
        <translation>#1</translation>
    </message>
    <message>
        <source>#2</source>
        <translation>#2</translation>
    </message>
    <message>
        <source>#3</source>
        <translation>#3</translation>
    </message>
    <message>
        <source>#4</source>
        <translation>#4</translation>
    </message>
    <message>
        <source>#5</source>
        <translation>#5</translation>
    </message>
    <message>
        <source>#6</source>
        <translation>#6</translation>
    </message>
    <message>
        <source>#7</source>
        <translation>#7</translation>
    </message>
    <message>
        <source>#8</source>
        <translation>#8</translation>
    </message>
    <message>
        <source>#9</source>
        <translation>#9</translation>
    </message>
    <message>
        <source>#10</source>
        <translation>#10</translation>
    </message>
    <message>
        <source>#11</source>
        <translation>#11</translation>
    </message>
    <message>
        <source>#12</source>
        <translation>#12</translation>
    </message>
    <message>
        <source>#13</source>
        <translation>#13</translation>
    </message>
    <message>
        <source>#14</source>
        <translation>#14</translation>
    </message>
    <message>
        <source>#15</source>
        <translation>#15</translation>
    </message>
    <message>
        <source>U盘导入</source>
        <translation>Import</translation>
    </message>
    <message>
        <source>开始升级</source>
        <translation>Upgrade</translation>
    </message>
    <message>
        <source>升级过程</source>
        <translation>Progress</translation>
    </message>
    <message>
        <source>升级完成</source>
        <translation>update completed</translation>
    </message>
    <message>
        <source>软启动</source>
        <translation>Soft start</translation>
    </message>
    <message>
        <source>控制参数6</source>
        <translation>Control parameter 6 </translation>
    </message>
    <message>
        <source>控制参数7</source>
        <translation>Control parameter 7</translation>
    </message>
    <message>
        <source>充电电量误差</source>
        <translation>Charged energy calibration</translation>
    </message>
    <message>
        <source>0</source>
        <translation>0</translation>
    </message>
    <message>
        <source>放电电量误差</source>
        <translation>Discharged energy calibration</translation>
    </message>
    <message>
        <source>电网接入初始模式</source>
        <translation>Grid access initial mode</translation>
    </message>
    <message>
        <source>并网初始</source>
        <translation>Grid-tied initial</translation>
    </message>
    <message>
        <source>离网初始</source>
        <translation>Off-gird initial</translation>
    </message>
    <message>
        <source>输出干接点5配置</source>
        <translation>Output dry contact 5 function</translation>
    </message>
    <message>
        <source>无效</source>
        <translation>Invalid</translation>
    </message>
    <message>
        <source>启动油机</source>
        <translation>Starting oil machine</translation>
    </message>
    <message>
        <source>启/停状态</source>
        <translation>ON/OFF status</translation>
    </message>
    <message>
        <source>离/并网状态</source>
        <translation>Off-grid/Gird-tied</translation>
    </message>
    <message>
        <source>输入干接点5配置</source>
        <translation>Input dry contact 5 function</translation>
    </message>
    <message>
        <source>江苏电网负荷精切</source>
        <translation>JS load cut</translation>
    </message>
    <message>
        <source>河南电网负荷精切</source>
        <translation>HN load cut</translation>
    </message>
    <message>
        <source>BMS常开干接点</source>
        <translation>BMS NO Dry contact</translation>
    </message>
    <message>
        <source>输入干接点4配置</source>
        <translation>Input dry contact 4 function</translation>
    </message>
    <message>
        <source>EPO</source>
        <translation>EPO</translation>
    </message>
    <message>
        <source>产品类型</source>
        <translation>Product type</translation>
    </message>
    <message>
        <source>标准机型</source>
        <translation>Standard</translation>
    </message>
    <message>
        <source>降额机型</source>
        <translation>Derating</translation>
    </message>
    <message>
        <source>背光延时设置</source>
        <translation>Backlight timeout</translation>
    </message>
    <message>
        <source>BMS超时时间</source>
        <translation>BMS timeout</translation>
    </message>
    <message>
        <source>s</source>
        <translation>s</translation>
    </message>
    <message>
        <source>485远程超时时间</source>
        <translation>485 remote timeout</translation>
    </message>
    <message>
        <source>TCP远程超时时间</source>
        <translation>TCP remote timeout</translation>
    </message>
    <message>
        <source>记录间隔</source>
        <translation>Log interval</translation>
    </message>
    <message>
        <source>104设备地址</source>
        <translation>104 protocol address</translation>
    </message>
    <message>
        <source>机柜序列号</source>
        <translation>Cabinet SN</translation>
    </message>
    <message>
        <source>直流配置</source>
        <translation>DC Configuration </translation>
    </message>
    <message>
        <source>直流下限电压</source>
        <translation>DC low voltage threshold</translation>
    </message>
    <message>
        <source>V</source>
        <translation>V</translation>
    </message>
    <message>
        <source>放电终止电压</source>
        <translation>End-of-discharge voltage</translation>
    </message>
    <message>
        <source>均充电压</source>
        <translation>Topping charge voltage</translation>
    </message>
    <message>
        <source>充电截止电流</source>
        <translation>End-of-charge current</translation>
    </message>
    <message>
        <source>最大充电电流</source>
        <translation>Maximum charge current</translation>
    </message>
    <message>
        <source>最大放电电流</source>
        <translation>Maximum discharge current</translation>
    </message>
    <message>
        <source>浮充电压</source>
        <translation>Float charge voltage</translation>
    </message>
    <message>
        <source>光伏唤醒电压</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>电池总容量</source>
        <translation>Total battery capacity</translation>
    </message>
    <message>
        <source>AH</source>
        <translation>AH</translation>
    </message>
    <message>
        <source>串联电池单体数</source>
        <translation>Number of batteries in series</translation>
    </message>
    <message>
        <source>cell</source>
        <translation>cell</translation>
    </message>
    <message>
        <source>帮助</source>
        <translation>Help</translation>
    </message>
    <message>
        <source>虚拟同步机时间常数H</source>
        <translation>VSG time constantħ</translation>
    </message>
    <message>
        <source>虚拟同步机阻尼系数kD</source>
        <translation>VSG kD </translation>
    </message>
    <message>
        <source>虚拟同步机一次调频系数kAFR</source>
        <translation>VSG kAFR </translation>
    </message>
    <message>
        <source>虚拟同步机一次调压系数kAVR</source>
        <translation>VSG kAVR</translation>
    </message>
    <message>
        <source>微网下垂使能</source>
        <translation>Micro-grid control commands</translation>
    </message>
    <message>
        <source>均充转浮充电流</source>
        <translation>Topping to float charge current</translation>
    </message>
    <message>
        <source>直接接入类型*</source>
        <translation>DC Input Type*</translation>
    </message>
    <message>
        <source>放电起始电压</source>
        <translation>Start of Discharge Thereshold Voltage</translation>
    </message>
    <message>
        <source>预充最大电流</source>
        <translation>Maximum precharge current</translation>
    </message>
    <message>
        <source>预充电电压</source>
        <translation>Precharge voltage</translation>
    </message>
    <message>
        <source>开关闭合延时</source>
        <translation>Switch On TD</translation>
    </message>
    <message>
        <source>开关断开延时</source>
        <translation>Switch Off TD</translation>
    </message>
    <message>
        <source>闭合通信延时</source>
        <translation>SW-On Comm TD</translation>
    </message>
    <message>
        <source>断开通信延时</source>
        <translation>SW-Off Comm TD</translation>
    </message>
    <message>
        <source>0~300s，默认20</source>
        <translation>0~300s, default 20</translation>
    </message>
    <message>
        <source>0~10000ms，默认1</source>
        <translation>0~10000ms, default 1</translation>
    </message>
    <message>
        <source>0~65535</source>
        <translation>0~65535</translation>
    </message>
    <message>
        <source>0.000</source>
        <translation>0.000</translation>
    </message>
    <message>
        <source>Vnom</source>
        <translation>Vnom</translation>
    </message>
    <message>
        <source>Hz</source>
        <translation>Hz</translation>
    </message>
    <message>
        <source>Pnom</source>
        <translation>Pnom</translation>
    </message>
    <message>
        <source>1.000</source>
        <translation>1.000</translation>
    </message>
</context>
</TS>
