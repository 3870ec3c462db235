// The look-up page: the single query and the batch table, both through POST /v1/lookup.
// Every text that comes from the user or the service reaches the page through textContent or
// a form value, never as markup.
"use strict";

(function () {
  const kMaxLines = 100000;
  const kInvalidMessage = "请输入合法的号码段!";
  const kNotFoundMessage = "不会吧，没有找到!";
  const kStatusLabels = { "ok": "找到", "not-found": "没有找到", "invalid": "不合法" };
  const kColumns = ["输入", "状态", "省份", "城市", "SIM 卡类型", "长途区号", "邮政编码"];
  const kFieldIds = ["province", "city", "sim-type", "area-code", "post-code"];
  const kOverscanRows = 10;

  const $ = (id) => document.getElementById(id);

  // As the command line's --any-prefix prepares a text: blanks and hyphens go, then a leading
  // "+86" or "0086". The acceptance rule stays the service's default.
  function normalize(text) {
    const compact = text.replace(/[ \t\u00a0\u3000-]/g, "");
    if (compact.startsWith("+86")) return compact.slice(3);
    if (compact.startsWith("0086")) return compact.slice(4);
    return compact;
  }

  // The service looks at the first seven bytes of a text only, and a text whose first seven
  // characters are not all ASCII digits is refused whatever the rule. Sending at most seven digits
  // keeps 100,000 lines well inside the service's 1 MiB body limit without changing an answer.
  function wireText(text) {
    const head = normalize(text).slice(0, 7);
    return /^[0-9]*$/.test(head) ? head : "";
  }

  async function lookup(texts) {
    const response = await fetch("/v1/lookup", {
      method: "POST",
      headers: { "Content-Type": "application/json", "Accept": "application/json" },
      body: JSON.stringify(texts.map(wireText)),
    });
    if (!response.ok) throw new Error("HTTP " + response.status);
    const answers = await response.json();
    if (!Array.isArray(answers) || answers.length !== texts.length) {
      throw new Error("服务返回的答案数目不对");
    }
    return answers;
  }

  function answerFields(answer) {
    if (answer.status !== "ok") return ["", "", "", "", ""];
    return [answer.province, answer.city, answer.simType, answer.areaCode, answer.postCode].map(
      (value) => (typeof value === "string" ? value : ""));
  }

  // ---- Single query ----

  function showMessage(text, isError) {
    const message = $("message");
    message.textContent = text;
    message.classList.toggle("error", isError);
  }

  function showAnswer(answer) {
    const fields = answerFields(answer);
    kFieldIds.forEach((id, i) => { $(id).value = fields[i]; });
    if (answer.status === "ok") showMessage("", false);
    else showMessage(answer.status === "not-found" ? kNotFoundMessage : kInvalidMessage, true);
  }

  async function onQuery(event) {
    event.preventDefault();
    const text = $("number").value;
    const button = $("query");
    button.disabled = true;
    try {
      const [answer] = await lookup([text]);
      showAnswer(answer);
      history.replaceState(null, "", "/?number=" + encodeURIComponent(text));
    } catch (error) {
      kFieldIds.forEach((id) => { $(id).value = ""; });
      showMessage("查询失败：" + error.message, true);
    } finally {
      button.disabled = false;
    }
  }

  // ---- Batch ----

  let rows = [];  // { input, status, fields }
  let rowHeight = 0;
  let renderPending = false;

  function splitLines(text) {
    const lines = text.split(/\r\n|\n|\r/);
    if (lines.length > 0 && lines[lines.length - 1] === "") lines.pop();
    return lines;
  }

  function setBatchStatus(text, isError) {
    const status = $("batch-status");
    status.textContent = "";
    const span = document.createElement("span");
    span.textContent = text;
    if (isError) span.className = "error";
    status.appendChild(span);
  }

  function countLine() {
    const counts = { "ok": 0, "not-found": 0, "invalid": 0 };
    for (const row of rows) counts[row.status] = (counts[row.status] || 0) + 1;
    return "共 " + rows.length + " 行：找到 " + counts["ok"] + "，没有找到 " + counts["not-found"] +
      "，不合法 " + counts["invalid"];
  }

  function makeCell(text, className) {
    const cell = document.createElement("td");
    cell.textContent = text;
    cell.title = text;
    if (className) cell.className = className;
    return cell;
  }

  function makeRow(index) {
    const row = rows[index];
    const tr = document.createElement("tr");
    tr.setAttribute("aria-rowindex", String(index + 2));
    tr.appendChild(makeCell(String(index + 1), "col-index"));
    tr.appendChild(makeCell(row.input));
    tr.appendChild(makeCell(kStatusLabels[row.status] || row.status, "status-" + row.status));
    for (const field of row.fields) tr.appendChild(makeCell(field));
    return tr;
  }

  function makeSpacer(height) {
    const tr = document.createElement("tr");
    tr.className = "spacer";
    tr.setAttribute("aria-hidden", "true");
    const td = document.createElement("td");
    td.colSpan = kColumns.length + 1;
    td.style.height = height + "px";
    tr.appendChild(td);
    return tr;
  }

  function measureRowHeight() {
    const body = $("batch-rows");
    body.textContent = "";
    body.appendChild(makeRow(0));
    const height = body.firstChild.getBoundingClientRect().height;
    body.textContent = "";
    return height > 0 ? height : 36;
  }

  // Only the rows in view (and a few either side) are in the document; spacers above and below
  // give the scroll bar the height of the whole table.
  function renderRows() {
    renderPending = false;
    const view = $("batch-view");
    const body = $("batch-rows");
    if (rows.length === 0) {
      body.textContent = "";
      return;
    }
    // The header stays on top of the view, so the row under it is row scrollTop / rowHeight.
    const first = Math.max(0, Math.floor(view.scrollTop / rowHeight) - kOverscanRows);
    const visible = Math.ceil(view.clientHeight / rowHeight) + 2 * kOverscanRows;
    const last = Math.min(rows.length, first + visible);
    const fragment = document.createDocumentFragment();
    if (first > 0) fragment.appendChild(makeSpacer(first * rowHeight));
    for (let i = first; i < last; ++i) {
      const tr = makeRow(i);
      if (i % 2 === 1) tr.classList.add("odd");
      fragment.appendChild(tr);
    }
    if (last < rows.length) fragment.appendChild(makeSpacer((rows.length - last) * rowHeight));
    body.textContent = "";
    body.appendChild(fragment);
  }

  function scheduleRender() {
    if (renderPending) return;
    renderPending = true;
    requestAnimationFrame(renderRows);
  }

  function showTable() {
    const view = $("batch-view");
    view.hidden = rows.length === 0;
    $("batch-table").setAttribute("aria-rowcount", String(rows.length + 1));
    view.scrollTop = 0;
    if (rows.length > 0) {
      rowHeight = measureRowHeight();
      renderRows();
    }
    $("batch-copy").disabled = rows.length === 0;
    $("batch-download").disabled = rows.length === 0;
  }

  async function onBatchQuery() {
    const lines = splitLines($("batch-input").value);
    if (lines.length === 0) {
      setBatchStatus("请先输入号码，每行一个。", true);
      return;
    }
    if (lines.length > kMaxLines) {
      setBatchStatus("共 " + lines.length + " 行，一次最多查询 " + kMaxLines + " 行。", true);
      return;
    }
    const button = $("batch-query");
    button.disabled = true;
    setBatchStatus("正在查询 " + lines.length + " 行…", false);
    try {
      const answers = await lookup(lines);
      rows = lines.map((input, i) => ({
        input: input,
        status: answers[i].status,
        fields: answerFields(answers[i]),
      }));
      showTable();
      setBatchStatus(countLine(), false);
    } catch (error) {
      rows = [];
      showTable();
      setBatchStatus("查询失败：" + error.message, true);
    } finally {
      button.disabled = false;
    }
  }

  // ---- Copy and download ----

  // A cell that a spreadsheet would take for a formula gets a leading apostrophe; phone-like
  // texts such as "+86 139..." and "-" stay as they are.
  function guardFormula(text) {
    if (/^[=+\-@\t\r]/.test(text) && !/^[+\-]?[0-9 ()\-]*$/.test(text)) return "'" + text;
    return text;
  }

  function quoteCell(text, separator) {
    const guarded = guardFormula(text);
    if (guarded.includes(separator) || /["\r\n\t]/.test(guarded)) {
      return '"' + guarded.replace(/"/g, '""') + '"';
    }
    return guarded;
  }

  function tableText(separator, lineEnd) {
    const lines = [kColumns.map((c) => quoteCell(c, separator)).join(separator)];
    for (const row of rows) {
      const cells = [row.input, kStatusLabels[row.status] || row.status, ...row.fields];
      lines.push(cells.map((c) => quoteCell(c, separator)).join(separator));
    }
    return lines.join(lineEnd) + lineEnd;
  }

  async function copyText(text) {
    if (navigator.clipboard && window.isSecureContext) {
      await navigator.clipboard.writeText(text);
      return;
    }
    const area = document.createElement("textarea");
    area.value = text;
    area.setAttribute("readonly", "");
    area.className = "file-input";
    document.body.appendChild(area);
    area.select();
    const copied = document.execCommand("copy");
    document.body.removeChild(area);
    if (!copied) throw new Error("浏览器不允许写入剪贴板");
  }

  async function onCopy() {
    try {
      await copyText(tableText("\t", "\r\n"));
      setBatchStatus(countLine() + "。表格已复制，可粘贴到电子表格。", false);
    } catch (error) {
      setBatchStatus("复制失败：" + error.message, true);
    }
  }

  function onDownload() {
    // The byte order mark lets spreadsheet programs read the Chinese texts as UTF-8.
    const blob = new Blob(["\ufeff" + tableText(",", "\r\n")], { type: "text/csv;charset=utf-8" });
    const url = URL.createObjectURL(blob);
    const link = document.createElement("a");
    link.href = url;
    link.download = "korvalind.csv";
    document.body.appendChild(link);
    link.click();
    document.body.removeChild(link);
    setTimeout(() => URL.revokeObjectURL(url), 10000);
  }

  // ---- Files ----

  async function loadFile(file) {
    try {
      $("batch-input").value = await file.text();
      setBatchStatus("已读入 " + file.name + "，共 " + splitLines($("batch-input").value).length +
        " 行。", false);
    } catch (error) {
      setBatchStatus("无法读取 " + file.name + "：" + error.message, true);
    }
  }

  function onDrop(event) {
    const files = event.dataTransfer && event.dataTransfer.files;
    if (!files || files.length === 0) return;  // dropped text goes into the box as usual
    event.preventDefault();
    loadFile(files[0]);
  }

  function start() {
    $("query-form").addEventListener("submit", onQuery);
    $("batch").hidden = false;
    $("batch-query").addEventListener("click", onBatchQuery);
    $("batch-copy").addEventListener("click", onCopy);
    $("batch-download").addEventListener("click", onDownload);
    $("batch-view").addEventListener("scroll", scheduleRender, { passive: true });
    window.addEventListener("resize", () => { if (rows.length > 0) scheduleRender(); });
    const input = $("batch-input");
    input.addEventListener("dragover", (event) => {
      if (event.dataTransfer && Array.from(event.dataTransfer.types).includes("Files")) {
        event.preventDefault();
      }
    });
    input.addEventListener("drop", onDrop);
    $("batch-file").addEventListener("change", (event) => {
      if (event.target.files.length > 0) loadFile(event.target.files[0]);
      event.target.value = "";
    });
  }

  start();
})();
