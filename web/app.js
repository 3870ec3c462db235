// The look-up page: the single query and the batch table, both through POST /v1/lookup
// (lookup.js; the batch in batch_worker.js).
// Every text that comes from the user or the service reaches the page through textContent or
// a form value, never as markup.
"use strict";

(function () {
  const kMaxLines = 100000;
  const kInvalidMessage = "请输入合法的号码段!";
  const kNotFoundMessage = "不会吧，没有找到!";
  const kStatusLabels = { "ok": "找到", "not-found": "没有找到", "invalid": "不合法" };
  const kColumns = ['输入', '状态', '省份', '城市', 'SIM 卡类型', '运营商', '长途区号', '邮政编码'];
  const kFieldIds = ['province', 'city', 'sim-type', 'carrier', 'area-code', 'post-code'];
  const kOverscanRows = 10;

  const $ = (id) => document.getElementById(id);
  const { splitLines, postLookup, answerFields, compactAnswers } = self.korvalindLookup;

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
      const [answer] = await postLookup([text]);
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

  // The table: the input lines, and for each line an index into the distinct answers.
  let lines = [];
  let codes = new Uint32Array(0);
  let answers = [];  // { status, fields }
  let rowHeight = 0;
  let renderPending = false;
  let worker = null;
  let requestId = 0;

  function setBatchStatus(text, isError) {
    const status = $("batch-status");
    status.textContent = "";
    const span = document.createElement("span");
    span.textContent = text;
    if (isError) span.className = "error";
    status.appendChild(span);
  }

  function countLine() {
    const perAnswer = new Uint32Array(answers.length);
    for (let i = 0; i < codes.length; ++i) perAnswer[codes[i]] += 1;
    const counts = { "ok": 0, "not-found": 0, "invalid": 0 };
    answers.forEach((answer, code) => {
      counts[answer.status] = (counts[answer.status] || 0) + perAnswer[code];
    });
    return "共 " + lines.length + " 行：找到 " + counts["ok"] + "，没有找到 " +
      counts["not-found"] + "，不合法 " + counts["invalid"];
  }

  function makeCell(text, className) {
    const cell = document.createElement("td");
    cell.textContent = text;
    cell.title = text;
    if (className) cell.className = className;
    return cell;
  }

  function makeRow(index) {
    const answer = answers[codes[index]];
    const tr = document.createElement("tr");
    tr.setAttribute("aria-rowindex", String(index + 2));
    tr.appendChild(makeCell(String(index + 1), "col-index"));
    tr.appendChild(makeCell(lines[index]));
    tr.appendChild(makeCell(kStatusLabels[answer.status] || answer.status,
                            "status-" + answer.status));
    for (const field of answer.fields) tr.appendChild(makeCell(field));
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
    if (lines.length === 0) {
      body.textContent = "";
      return;
    }
    // The header stays on top of the view, so the row under it is row scrollTop / rowHeight.
    const first = Math.max(0, Math.floor(view.scrollTop / rowHeight) - kOverscanRows);
    const visible = Math.ceil(view.clientHeight / rowHeight) + 2 * kOverscanRows;
    const last = Math.min(lines.length, first + visible);
    const fragment = document.createDocumentFragment();
    if (first > 0) fragment.appendChild(makeSpacer(first * rowHeight));
    for (let i = first; i < last; ++i) {
      const tr = makeRow(i);
      if (i % 2 === 1) tr.classList.add("odd");
      fragment.appendChild(tr);
    }
    if (last < lines.length) fragment.appendChild(makeSpacer((lines.length - last) * rowHeight));
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
    view.hidden = lines.length === 0;
    $("batch-table").setAttribute("aria-rowcount", String(lines.length + 1));
    view.scrollTop = 0;
    if (lines.length > 0) {
      rowHeight = measureRowHeight();
      renderRows();
    }
    $("batch-copy").disabled = lines.length === 0;
    $("batch-download").disabled = lines.length === 0;
  }

  // The answers to the lines of text, as { codes, table }: in the worker when the browser has
  // workers, else here.
  function lookUpBatch(text) {
    if (typeof Worker === "undefined") {
      return postLookup(splitLines(text)).then(compactAnswers);
    }
    if (worker === null) worker = new Worker("/assets/batch_worker.js");
    const id = ++requestId;
    return new Promise((resolve, reject) => {
      worker.onmessage = (event) => {
        if (event.data.id !== id) return;
        if (event.data.error !== undefined) reject(new Error(event.data.error));
        else resolve(event.data);
      };
      worker.onerror = (event) => {
        event.preventDefault();
        reject(new Error(event.message || "worker"));
      };
      worker.postMessage({ id: id, text: text });
    });
  }

  async function onBatchQuery() {
    const text = $("batch-input").value;
    const newLines = splitLines(text);
    if (newLines.length === 0) {
      setBatchStatus("请先输入号码，每行一个。", true);
      return;
    }
    if (newLines.length > kMaxLines) {
      setBatchStatus("共 " + newLines.length + " 行，一次最多查询 " + kMaxLines + " 行。", true);
      return;
    }
    const button = $("batch-query");
    button.disabled = true;
    setBatchStatus("正在查询 " + newLines.length + " 行…", false);
    try {
      const result = await lookUpBatch(text);
      if (result.codes.length !== newLines.length) throw new Error("服务返回的答案数目不对");
      lines = newLines;
      codes = result.codes;
      answers = result.table;
      showTable();
      setBatchStatus(countLine(), false);
    } catch (error) {
      lines = [];
      codes = new Uint32Array(0);
      answers = [];
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
    const quote = (cell) => quoteCell(cell, separator);
    // Each distinct answer is quoted once, not once a row.
    const tails = answers.map((answer) =>
      [kStatusLabels[answer.status] || answer.status, ...answer.fields].map(quote).join(separator));
    const out = [kColumns.map(quote).join(separator)];
    for (let i = 0; i < lines.length; ++i) {
      out.push(quote(lines[i]) + separator + tails[codes[i]]);
    }
    return out.join(lineEnd) + lineEnd;
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
    window.addEventListener("resize", () => { if (lines.length > 0) scheduleRender(); });
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
