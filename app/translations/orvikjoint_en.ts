<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context>
    <name>ButtomSetting</name>
    <message>
        <source>Automatic seams failed: </source>
        <translation>Automatic seams failed: </translation>
    </message>
    <message>
        <source>提示</source>
        <translation>Notice</translation>
    </message>
    <message>
        <source>自动计算失败，请手动裁剪混合</source>
        <translation>Automatic placement failed; please crop and blend by hand</translation>
    </message>
    <message>
        <source>Device view: </source>
        <translation>Device view: </translation>
    </message>
    <message>
        <source>Form</source>
        <translation>Form</translation>
    </message>
    <message>
        <source>混合：</source>
        <translation>&amp;Blend:</translation>
    </message>
    <message>
        <source>裁剪</source>
        <translation>&amp;Crop</translation>
    </message>
    <message>
        <source>自动裁剪混合</source>
        <translation>&amp;Automatic crop and blend</translation>
    </message>
    <message>
        <source>设备视图</source>
        <translation>&amp;Device view</translation>
    </message>
    <message>
        <source>接缝：</source>
        <translation>S&amp;eams:</translation>
    </message>
    <message>
        <source>重叠中间</source>
        <translation>middle of overlap</translation>
    </message>
    <message>
        <source>避开差异</source>
        <translation>where cameras agree</translation>
    </message>
</context>
<context>
    <name>CameraSetting</name>
    <message>
        <source>Form</source>
        <translation>Form</translation>
    </message>
    <message>
        <source>----------------------------------------------------</source>
        <translation>----------------------------------------------------</translation>
    </message>
    <message>
        <source>Cam</source>
        <translation>Cam</translation>
    </message>
    <message>
        <source>透明:</source>
        <translation>Transparency:</translation>
    </message>
    <message>
        <source>同步所有</source>
        <translation>Sync all</translation>
    </message>
    <message>
        <source>高亮显示</source>
        <translation>Highlight</translation>
    </message>
    <message>
        <source>隐藏</source>
        <translation>Hide</translation>
    </message>
    <message>
        <source>置顶</source>
        <translation>To top</translation>
    </message>
    <message>
        <source>置底</source>
        <translation>To bottom</translation>
    </message>
    <message>
        <source>direction(l):</source>
        <translation>direction(l):</translation>
    </message>
    <message>
        <source>direction(r):</source>
        <translation>direction(r):</translation>
    </message>
    <message>
        <source> – 缺少图像 %1</source>
        <translation> – image %1 missing</translation>
    </message>
    <message>
        <source> – 不进入表格</source>
        <translation> – not in the tables</translation>
    </message>
</context>
<context>
    <name>LoadProgressDialog</name>
    <message>
        <source>打开方案</source>
        <translation>Opening project</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>正在重映射相机 %1/%2</source>
        <translation>Remapping camera %1/%2</translation>
    </message>
    <message>
        <source>正在分析相机 %1/%2</source>
        <translation>Analysing camera %1/%2</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>提示</source>
        <translation>Notice</translation>
    </message>
    <message>
        <source>方案输出完毕</source>
        <translation>Scheme output finished</translation>
    </message>
    <message>
        <source>%1（%2 字节）</source>
        <translation>%1 (%2 bytes)</translation>
    </message>
    <message>
        <source>Project not loaded</source>
        <translation>Project not loaded</translation>
    </message>
    <message>
        <source>The project could not be read.

%1</source>
        <translation>The project could not be read.

%1</translation>
    </message>
    <message>
        <source>Settings not restored</source>
        <translation>Settings not restored</translation>
    </message>
    <message>
        <source>%1

The project was loaded with the default settings.</source>
        <translation>%1

The project was loaded with the default settings.</translation>
    </message>
    <message>
        <source>无法载入该语言的翻译</source>
        <translation>The translation for this language cannot be loaded</translation>
    </message>
    <message>
        <source>No project loaded: there are no settings to save</source>
        <translation>No project loaded: there are no settings to save</translation>
    </message>
    <message>
        <source>Settings not saved</source>
        <translation>Settings not saved</translation>
    </message>
    <message>
        <source>settings saved to %1</source>
        <translation>settings saved to %1</translation>
    </message>
    <message>
        <source>Unsaved settings</source>
        <translation>Unsaved settings</translation>
    </message>
    <message>
        <source>The settings of %1 have changed since they were saved. Save them?</source>
        <translation>The settings of %1 have changed since they were saved. Save them?</translation>
    </message>
    <message>
        <source>open file</source>
        <translation>Open project</translation>
    </message>
    <message>
        <source>pto(*.pto)</source>
        <translation>PTO projects (*.pto)</translation>
    </message>
    <message>
        <source>导出失败：%1</source>
        <translation>Export failed: %1</translation>
    </message>
    <message>
        <source>Export failed</source>
        <translation>Export failed</translation>
    </message>
    <message>
        <source>没有可导出的内容：请先打开方案</source>
        <translation>Nothing to export: open a project first</translation>
    </message>
    <message>
        <source>已写入 %1</source>
        <translation>Wrote %1</translation>
    </message>
    <message>
        <source>Cameras left out</source>
        <translation>Cameras left out</translation>
    </message>
    <message>
        <source>The table was written without these cameras:

%1</source>
        <translation>The table was written without these cameras:

%1</translation>
    </message>
    <message>
        <source>%1：未写入（%2）</source>
        <translation>%1: not written (%2)</translation>
    </message>
    <message>
        <source>没有载入方案</source>
        <translation>no project loaded</translation>
    </message>
    <message>
        <source>已写入：</source>
        <translation>Written:</translation>
    </message>
    <message>
        <source>失败：</source>
        <translation>Failed:</translation>
    </message>
    <message>
        <source>表中缺少这些相机：</source>
        <translation>The tables lack these cameras:</translation>
    </message>
    <message>
        <source>已写入全部 %1 个表</source>
        <translation>All %1 tables written</translation>
    </message>
    <message>
        <source>导出不完整：%1 个表已写入，%2 个失败，%3 台相机缺失</source>
        <translation>Export incomplete. Tables written: %1, failed: %2; cameras left out: %3</translation>
    </message>
    <message>
        <source>导出完毕</source>
        <translation>Export finished</translation>
    </message>
    <message>
        <source>导出不完整</source>
        <translation>Export incomplete</translation>
    </message>
    <message>
        <source>MainWindow</source>
        <translation>MainWindow</translation>
    </message>
    <message>
        <source>打开</source>
        <translation>&amp;Open...</translation>
    </message>
    <message>
        <source>导出OrvikQuickWeave方案</source>
        <translation>Export Orvik Quick&amp;Weave scheme</translation>
    </message>
    <message>
        <source>导出相机方案</source>
        <translation>Export camera &amp;2K scheme</translation>
    </message>
    <message>
        <source>导出相机4K方案</source>
        <translation>Export camera &amp;4K scheme</translation>
    </message>
    <message>
        <source>保存设置</source>
        <translation>&amp;Save settings</translation>
    </message>
    <message>
        <source>重置设置</source>
        <translation>&amp;Reset settings</translation>
    </message>
    <message>
        <source>导出全部方案</source>
        <translation>Export &amp;all schemes</translation>
    </message>
    <message>
        <source>退出</source>
        <translation>&amp;Quit</translation>
    </message>
    <message>
        <source>文件</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>语言</source>
        <translation>&amp;Language</translation>
    </message>
    <message>
        <source>消息</source>
        <translation>Messages</translation>
    </message>
    <message>
        <source>显示接缝</source>
        <translation>Show &amp;seams</translation>
    </message>
    <message>
        <source>适合窗口</source>
        <translation>&amp;Fit to window</translation>
    </message>
    <message>
        <source>视图</source>
        <translation>&amp;View</translation>
    </message>
    <message>
        <source>关于 OrvikJoint</source>
        <comment>the box&apos;s title</comment>
        <translation>About OrvikJoint</translation>
    </message>
    <message>
        <source>&lt;h3&gt;OrvikJoint %1&lt;/h3&gt;&lt;p&gt;为硬件拼接设备生成查找表：读取全景标定（PTO 项目），用 nona2 重映射每台相机，调好接缝、混合与裁剪后导出 2K、4K 与 QuickWeave 方案。&lt;/p&gt;&lt;p&gt;重映射器：%2&lt;br&gt;Qt %3&lt;/p&gt;</source>
        <translation>&lt;h3&gt;OrvikJoint %1&lt;/h3&gt;&lt;p&gt;Lookup tables for hardware stitching devices: reads a panorama calibration (PTO project), remaps every camera with nona2 and, once the seams, blend and crop are tuned, exports the 2K, 4K and QuickWeave tables.&lt;/p&gt;&lt;p&gt;Remapper: %2&lt;br&gt;Qt %3&lt;/p&gt;</translation>
    </message>
    <message>
        <source>帮助</source>
        <translation>&amp;Help</translation>
    </message>
    <message>
        <source>关于 OrvikJoint</source>
        <translation>&amp;About OrvikJoint</translation>
    </message>
    <message>
        <source>没有替换任何表：三个表只一起替换</source>
        <translation>No table was replaced: the three are replaced together</translation>
    </message>
    <message>
        <source>Camera images missing</source>
        <translation>Camera images missing</translation>
    </message>
    <message>
        <source>These cameras&apos; images could not be loaded; they are left out of the preview, the seams and the tables:

%1</source>
        <translation>These cameras&apos; images could not be loaded; they are left out of the preview, the seams and the tables:

%1</translation>
    </message>
    <message>
        <source>%1 没有自己的设置文件：沿用上一个方案的调整（混合 %2，裁剪 %3%4）</source>
        <translation>%1 has no settings file of its own: the tuning of the previous project is kept (blend %2, crop %3%4)</translation>
    </message>
    <message>
        <source>，自动裁剪混合</source>
        <translation>, automatic seams</translation>
    </message>
    <message>
        <source>裁剪 %1 与方向微调</source>
        <translation>crop %1 with the trims</translation>
    </message>
    <message>
        <source>裁剪 %1</source>
        <translation>crop %1</translation>
    </message>
    <message>
        <source>自动接缝没有把这些像素分给任何相机（%1 看得到）</source>
        <translation>the automatic seams give these pixels to no camera (%1 see them)</translation>
    </message>
    <message>
        <source>%1 清除了%2的全部像素，20000 保留整台相机</source>
        <translation>%1 clears all of %2; 20000 keeps each camera whole</translation>
    </message>
    <message>
        <source>%1 清除了%2的中间部分（切口越过图层两侧后折回），20000 保留整台相机</source>
        <translation>%1 clears the middle of %2 (the cuts pass the layer&apos;s sides and wrap round); 20000 keeps each camera whole</translation>
    </message>
    <message>
        <source>%1 把%2切到与相邻相机的重叠以外，20000 把切口放在每台相机的边缘上</source>
        <translation>%1 cuts %2 past the overlap with their neighbours; 20000 puts the cuts on each camera&apos;s edges</translation>
    </message>
    <message>
        <source>%1只在中间行的切口以外的行里看到这些像素，减小裁剪可把切口外移</source>
        <translation>%1 see these pixels only in rows that reach past the cuts taken on the middle row; a lower crop moves the cuts outward</translation>
    </message>
    <message>
        <source>表格有空洞：相机所见的 %1% 没有权重；%2</source>
        <translation>The tables have holes: %1% of what the cameras see has no weight; %2</translation>
    </message>
    <message>
        <source>；</source>
        <translation>; </translation>
    </message>
    <message>
        <source>空洞：相机所见的 %1% 没有权重</source>
        <translation>Holes: %1% of what the cameras see has no weight</translation>
    </message>
    <message>
        <source>The table leaves black what the cameras see:

%1</source>
        <translation>The table leaves black what the cameras see:

%1</translation>
    </message>
    <message>
        <source>Table with holes</source>
        <translation>Table with holes</translation>
    </message>
    <message>
        <source>，表中有空洞</source>
        <translation>, holes in the tables</translation>
    </message>
</context>
<context>
    <name>OpenGLWidget</name>
    <message>
        <source>%1 无边界</source>
        <translation>%1 no boundary</translation>
    </message>
    <message>
        <source>未覆盖 %1–%2</source>
        <translation>uncovered %1–%2</translation>
    </message>
</context>
<context>
    <name>RightSetting</name>
    <message>
        <source>Frame</source>
        <translation>Frame</translation>
    </message>
</context>
<context>
    <name>SliderTips</name>
    <message>
        <source>混合 %1（0–60000）：载入方案后显示渐变的像素宽度</source>
        <translation>Blend %1 (0–60000): the fade width in pixels shows once a project is loaded</translation>
    </message>
    <message>
        <source>混合 %1：每台相机在切口处渐变 %2 像素</source>
        <translation>Blend %1: every camera fades over %2 px at its cut edges</translation>
    </message>
    <message>
        <source>裁剪 %1（0–60000）：载入方案后显示切口的像素位置</source>
        <translation>Crop %1 (0–60000): the cut position in pixels shows once a project is loaded</translation>
    </message>
    <message>
        <source>裁剪 %1：切口正好落在接缝边缘上</source>
        <translation>Crop %1 puts the cut on the seam edges</translation>
    </message>
    <message>
        <source>裁剪 %1：切口在接缝边缘以内 %2 像素（方向微调为 0 时）</source>
        <translation>Crop %1: the cut lies %2 px inside the seam edges (trims at 0)</translation>
    </message>
    <message>
        <source>裁剪 %1：切口在接缝边缘以外 %2 像素，不裁掉像素（方向微调为 0 时）</source>
        <translation>Crop %1: the cut lies %2 px outside the seam edges, no pixel is cut (trims at 0)</translation>
    </message>
    <message>
        <source>方向微调 %1（0–60000）：载入相机后显示切口的像素位置</source>
        <translation>Trim %1 (0–60000): the cut position in pixels shows once the camera is loaded</translation>
    </message>
    <message>
        <source>方向微调 %1：%2正好落在接缝边缘上（裁剪 %3）</source>
        <translation>Trim %1 puts %2 on the seam edge (crop %3)</translation>
    </message>
    <message>
        <source>方向微调 %1：%2在接缝边缘以内 %3 像素（裁剪 %4）</source>
        <translation>Trim %1: %2 lies %3 px inside the seam edge (crop %4)</translation>
    </message>
    <message>
        <source>方向微调 %1：%2在接缝边缘以外 %3 像素，不裁掉像素（裁剪 %4）</source>
        <translation>Trim %1: %2 lies %3 px outside the seam edge, no pixel is cut (crop %4)</translation>
    </message>
    <message>
        <source>双击输入数值</source>
        <translation>Double-click to type a value</translation>
    </message>
    <message>
        <source>；自动模式下不生效，离开自动模式后应用</source>
        <translation>; in automatic mode this waits until the mode is left</translation>
    </message>
    <message>
        <source>裁剪 %1：切口推到接缝边缘以外 %2 像素，越过图层两侧后折回，清除了%3中间的 %4 像素（方向微调为 0 时）；20000 保留整台相机</source>
        <translation>Crop %1: the cuts are pushed %2 px outside the seam edges, past the layers&apos; sides, and wrap round: they clear the middle %4 px of %3 (trims at 0); 20000 keeps each camera whole</translation>
    </message>
    <message>
        <source>方向微调 %1：这台相机的中间行没有可裁剪的边缘</source>
        <translation>Trim %1: this camera&apos;s middle row has no edge to cut at</translation>
    </message>
    <message>
        <source>方向微调 %1：切口越过图层两侧后折回，清除了这台相机中间的 %2 像素；它移动清除部分的左边（第 %3 列），数值越大越往左（裁剪 %4）</source>
        <translation>Trim %1: the cuts pass the layer&apos;s sides and wrap round, clearing the middle %2 px of this camera; this trim moves the left edge of the cleared part (column %3), further left for larger values (crop %4)</translation>
    </message>
    <message>
        <source>方向微调 %1：切口越过图层两侧后折回，清除了这台相机中间的 %2 像素；它移动清除部分的右边（第 %3 列），数值越大越往右（裁剪 %4）</source>
        <translation>Trim %1: the cuts pass the layer&apos;s sides and wrap round, clearing the middle %2 px of this camera; this trim moves the right edge of the cleared part (column %3), further right for larger values (crop %4)</translation>
    </message>
    <message>
        <source>右侧切口（第 %1 列，数值越大越往左）</source>
        <translation>the right cut (column %1, further left for larger values)</translation>
    </message>
    <message>
        <source>左侧切口（第 %1 列，数值越大越往右）</source>
        <translation>the left cut (column %1, further right for larger values)</translation>
    </message>
    <message>
        <source>相机 %1</source>
        <translation>camera %1</translation>
    </message>
    <message>
        <source>、</source>
        <translation>, </translation>
    </message>
</context>
<context>
    <name>ValueEntry</name>
    <message>
        <source>“%1”无效：请输入 %2 到 %3 之间的整数</source>
        <translation>“%1” refused: type a whole number from %2 to %3</translation>
    </message>
</context>
</TS>
