// How the page asks the service, shared by the page and its batch worker: a typed number's
// preparation, one POST /v1/lookup for any number of texts, and the answers in compact form.
"use strict";

(function(scope) {
// As the command line's --any-prefix prepares a text (PrepareNumberText; the cases of
// tests/data/number_texts.tsv hold for both): blanks, hyphens, dots and parentheses go,
// full-width digits become digits, then a leading "+86" or "0086" goes, or a leading "86" when
// exactly 13 digits are left. The acceptance rule stays the service's default.
function normalize(text) {
  const compact =
      text.replace(/[ \t\u00a0\u3000\-.()]/g, '')
          .replace(/[\uff10-\uff19]/g, (c) => String.fromCharCode(c.charCodeAt(0) - 0xff10 + 48));
  if (compact.startsWith("+86")) return compact.slice(3);
  if (compact.startsWith("0086")) return compact.slice(4);
  if (/^86[0-9]{11}$/.test(compact)) return compact.slice(2);
  return compact;
}

// The service looks at the first seven bytes of a text only, and a text whose first seven
// characters are not all ASCII digits is refused whatever the rule. Sending at most seven
// digits keeps 100,000 lines well inside the service's 1 MiB body limit without changing an
// answer.
function wireText(text) {
  const head = normalize(text).slice(0, 7);
  return /^[0-9]*$/.test(head) ? head : "";
}

// One text a line, as a spreadsheet column is copied: LF, CR LF or CR; a last line end does
// not start another text.
function splitLines(text) {
  const lines = text.split(/\r\n|\n|\r/);
  if (lines.length > 0 && lines[lines.length - 1] === "") lines.pop();
  return lines;
}

// The answers to texts, in order: objects with status, province, city, simType, carrier,
// carrierId, service, areaCode and postCode, as the service gives them.
async function postLookup(texts) {
  const response = await fetch("/v1/lookup", {
    method: "POST",
    headers: {"Content-Type": "application/json", "Accept": "application/json"},
    body: JSON.stringify(texts.map(wireText)),
  });
  if (!response.ok) throw new Error("HTTP " + response.status);
  const answers = await response.json();
  if (!Array.isArray(answers) || answers.length !== texts.length) {
    throw new Error("服务返回的答案数目不对");
  }
  return answers;
}

// The texts the page shows, in its column order: the five of the form (empty unless the status
// is ok) and the carrier after the SIM card kind (a missing segment has one too).
function answerFields(answer) {
  const text = (value) => (typeof value === 'string' ? value : '');
  const carrier = answer.status === 'invalid' ? '' : text(answer.carrier);
  if (answer.status !== 'ok') return ['', '', '', carrier, '', ''];
  return [
    answer.province, answer.city, answer.simType, answer.carrier, answer.areaCode, answer.postCode
  ].map(text);
}

// Many rows share few answers: a table of the distinct ones ({status, fields}) and each row's
// index into it. Cheap to hand from the worker to the page, whatever the number of rows.
function compactAnswers(answers) {
  const table = [];
  const known = new Map();
  const codes = new Uint32Array(answers.length);
  for (let i = 0; i < answers.length; ++i) {
    const status = String(answers[i].status);
    const fields = answerFields(answers[i]);
    const key = status + "\u0000" + fields.join("\u0000");
    let code = known.get(key);
    if (code === undefined) {
      code = table.length;
      known.set(key, code);
      table.push({status: status, fields: fields});
    }
    codes[i] = code;
  }
  return {codes: codes, table: table};
}

scope.korvalindLookup = {
  normalize: normalize,
  splitLines: splitLines,
  postLookup: postLookup,
  answerFields: answerFields,
  compactAnswers: compactAnswers,
};
})(self);
